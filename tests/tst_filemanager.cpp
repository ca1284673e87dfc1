#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <memory>

#include "filemanager.h"
#include "fixedpaths.h"
#include "modaldriver.h"
#include "myframe.h"
#include "testenv.h"

namespace {

// Replaces the installation's program and point folders by the given entries (installation
// paths; a trailing "/" makes a folder).
void populate(const QStringList& entries)
{
    for (const char* folder : {"programs", "points"})
        QDir(TestEnv::root() + QLatin1Char('/') + QLatin1String(folder)).removeRecursively();
    for (const QString& entry : entries) {
        const QString local = FixedPaths::local(entry);
        if (entry.endsWith('/')) {
            QDir().mkpath(local);
        } else {
            QDir().mkpath(QFileInfo(local).path());
            QFile file(local);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("N10 G1 X0\n");
        }
    }
}

QString frameTitle(QWidget* window)
{
    auto* frame = qobject_cast<MyFrame*>(window);
    return frame ? frame->titleLabel()->text() : QStringLiteral("(no frame)");
}

bool exists(const QString& installationPath)
{
    return QFileInfo::exists(FixedPaths::local(installationPath));
}

// The question that the dialog asks: checks its text and answers it.
ModalDriver::Action expectQuestion(const QString& expectedText, const QString& button)
{
    return [expectedText, button](ModalDialog& question) {
        QCOMPARE(question.text("lblText"), expectedText);
        QCOMPARE(frameTitle(question.window()), QStringLiteral("Подтверждение"));
        question.click(button);
    };
}

// A file dialog over its shown parent, deleted before the parent.
struct Fixture {
    Fixture(const QString& folder, const QString& suffix, bool open)
    {
        parent.setGeometry(100, 100, 300, 50);
        parent.show();
        dialog = std::make_unique<FileManager>(&parent, folder, suffix, open);
    }
    QStringList items() const
    {
        QStringList texts;
        auto* list = dialog->findChild<QListWidget*>("listWidget_prog");
        for (int row = 0; row < list->count(); ++row)
            texts << list->item(row)->text();
        return texts;
    }

    QWidget parent;
    std::unique_ptr<FileManager> dialog;
};

}  // namespace

class TestFileManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestEnv::makeInstallationFolders(); }

    // Programs only, and the folders where the dialog opens them ("..", back to the programs root,
    // from a channel folder): never ".", nor a folder that would be chosen as a program that does
    // not exist.
    void listsProgramsWithoutSuffix_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QStringList>("listed");

        QTest::newRow("programs")
            << QStringList{"/programs/b.npg", "/programs/A.npg", "/programs/c.txt", "/programs/ch2/",
                           "/programs/other/"}
            << "/programs/" << ".npg" << QStringList{"ch2", "A", "b"};
        QTest::newRow("a channel folder lists the other channels")
            << QStringList{"/programs/ch1/", "/programs/ch2/q.npg", "/programs/ch3/", "/programs/ch2/sub/",
                           "/programs/P.npg"}
            << "/programs/ch2/" << ".npg" << QStringList{"..", "ch1", "ch3", "q"};
        QTest::newRow("only a trailing suffix is removed")
            << QStringList{"/programs/x.npg.npg", "/programs/x.npg", "/programs/npg"}
            << "/programs/" << ".npg" << QStringList{"x", "x.npg"};
        QTest::newRow("suffix matched with its case")
            << QStringList{"/programs/B.NPG", "/programs/a.npg", "/programs/c.Npg"}
            << "/programs/" << ".npg" << QStringList{"a"};
        QTest::newRow("contours: files only, sorted ignoring case")
            << QStringList{"/programs/zeta/", "/programs/Beta/", "/programs/ch1/", "/programs/k.save",
                           "/programs/K2.save", "/programs/a.save", "/programs/k.npg"}
            << "/programs/" << ".save" << QStringList{"a", "k", "K2"};
        QTest::newRow("points")
            << QStringList{"/points/p1.point", "/points/P0.point", "/points/p1.save", "/points/old/"}
            << "/points/" << ".point" << QStringList{"P0", "p1"};
        QTest::newRow("missing folder") << QStringList{} << "/points/none/" << ".point" << QStringList{};
    }
    void listsProgramsWithoutSuffix()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, folder);
        QFETCH(QString, suffix);
        QFETCH(QStringList, listed);
        populate(entries);
        Fixture f(folder, suffix, true);
        QCOMPARE(f.items(), listed);
    }

    void buttonsFollowModeAndSelection_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("select");   // "" selects nothing
        QTest::addColumn<bool>("enabled");
        for (bool open : {true, false}) {
            const char* mode = open ? "open" : "save";
            QTest::addRow("%s, nothing", mode) << open << "" << false;
            QTest::addRow("%s, program", mode) << open << "A" << true;
            QTest::addRow("%s, folder", mode) << open << "ch2" << false;   // a folder opens
        }
    }
    void buttonsFollowModeAndSelection()
    {
        QFETCH(bool, open);
        QFETCH(QString, select);
        QFETCH(bool, enabled);
        populate({"/programs/A.npg", "/programs/ch2/"});
        Fixture f("/programs/", ".npg", open);
        FileManager* dialog = f.dialog.get();

        QWidget* frame = dialog->window();
        QCOMPARE(frameTitle(frame), open ? QString("Открытие файла") : QString("Сохранение файла"));
        QCOMPARE(frame->pos(), f.parent.mapToGlobal(QPoint(0, f.parent.height())));
        auto* load = dialog->findChild<QPushButton*>("pbLoad");
        auto* save = dialog->findChild<QPushButton*>("pbSave");
        auto* saveAs = dialog->findChild<QPushButton*>("pbSave_as");
        auto* remove = dialog->findChild<QPushButton*>("pbDelete");
        QCOMPARE(load->isVisible(), open);
        QCOMPARE(save->isVisible(), !open);
        QCOMPARE(saveAs->isVisible(), !open);
        QCOMPARE(remove->pos(), QPoint(410, open ? 90 : 170));
        QVERIFY(!dialog->findChild<QFrame*>("frmSaveAsNewProg")->isVisible());

        ModalDriver driver;
        ModalDialog d(&driver, dialog);
        if (!select.isEmpty())
            QVERIFY(d.clickItem("listWidget_prog", select));
        QCOMPARE(remove->isEnabled(), enabled);
        QCOMPARE(save->isEnabled(), enabled);
        QCOMPARE(load->isEnabled(), enabled);
        QVERIFY(saveAs->isEnabled());
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("yes") << "A" << "pbYes" << QStringList{"/programs/A.npg"}
                             << QStringList{"/programs/x.npg", "/programs/x.npg.npg"};
        QTest::newRow("no") << "A" << "pbNo" << QStringList{}
                            << QStringList{"/programs/A.npg", "/programs/x.npg"};
        QTest::newRow("double suffix removes only its own file")
            << "x.npg" << "pbYes" << QStringList{"/programs/x.npg.npg"}
            << QStringList{"/programs/x.npg", "/programs/A.npg"};
    }
    void deleteAsksFirst()
    {
        QFETCH(QString, item);
        QFETCH(QString, answer);
        QFETCH(QStringList, removed);
        QFETCH(QStringList, kept);
        populate({"/programs/A.npg", "/programs/x.npg", "/programs/x.npg.npg", "/programs/ch2/",
                  "/programs/ch2.npg"});
        Fixture f("/programs/", ".npg", true);
        const QStringList before = f.items();

        ModalDriver driver;
        driver.next("FileManager", [&](ModalDialog& d) {
            d.clickItem("listWidget_prog", item);
            d.click("pbDelete");
            QVERIFY(d.isOpen());
            if (removed.isEmpty()) {
                QCOMPARE(d.items("listWidget_prog"), before);
            } else {
                QVERIFY(!d.items("listWidget_prog").contains(item));
                QVERIFY(!d.isEnabled("pbDelete"));   // nothing is current after the refresh
                QVERIFY(!d.isEnabled("pbLoad"));
            }
            d.clickFrameClose();
        });
        driver.next("Confirm", expectQuestion(QStringLiteral("Удалить файл %1?").arg(item), answer));
        QCOMPARE(f.dialog->exec(), int(QDialog::Rejected));
        QVERIFY(driver.done());
        for (const QString& file : removed)
            QVERIFY2(!exists(file), qPrintable(file));
        for (const QString& file : kept)
            QVERIFY2(exists(file), qPrintable(file));
        QVERIFY(f.dialog->name.isEmpty());
        QVERIFY(f.dialog->path.isEmpty());
    }

    // Save, and a double click in save mode, overwrite only after the question.
    void saveAsksBeforeOverwriting_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QString>("answer");   // "" leaves the question to time out
        QTest::newRow("save, yes") << false << "pbYes";
        QTest::newRow("save, no") << false << "pbNo";
        QTest::newRow("save, no answer") << false << "";
        QTest::newRow("double click, yes") << true << "pbYes";
        QTest::newRow("double click, no") << true << "pbNo";
    }
    void saveAsksBeforeOverwriting()
    {
        QFETCH(bool, doubleClick);
        QFETCH(QString, answer);
        populate({"/programs/ch1/A.npg", "/programs/ch1/B.npg"});
        Fixture f("/programs/ch1/", ".npg", false);
        const bool yes = answer == "pbYes";
        QElapsedTimer asked;

        ModalDriver driver;
        driver.next("FileManager", [&](ModalDialog& d) {
            if (doubleClick) {
                d.doubleClickItem("listWidget_prog", "B");
            } else {
                d.clickItem("listWidget_prog", "B");
                d.click("pbSave");
            }
            if (!yes) {
                QVERIFY(d.isOpen());
                d.reject();
            }
        });
        driver.next("Confirm", [&](ModalDialog& question) {
            asked.start();
            QCOMPARE(question.text("lblText"), QStringLiteral("Перезаписать файл B?"));
            if (!answer.isEmpty())
                question.click(answer);
        });
        const int result = f.dialog->exec();
        QVERIFY(driver.done());
        if (answer.isEmpty()) {
            // A coarse 5 s timer may fire up to 5 % early.
            QVERIFY2(asked.elapsed() >= 4500, qPrintable(QString::number(asked.elapsed())));
        }
        QCOMPARE(result, yes ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(f.dialog->name, yes ? QString("B") : QString());
        QCOMPARE(f.dialog->path, yes ? QString("/programs/ch1/B") : QString());
        QVERIFY(exists("/programs/ch1/B.npg"));
    }

    void saveAsTakesOnlyAPlainNewName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("answer");   // the overwrite question's answer, "" when none is asked
        QTest::addColumn<bool>("accepted");
        QTest::newRow("new name") << "new" << "" << true;
        QTest::newRow("cyrillic name") << "Шов 2" << "" << true;
        QTest::newRow("existing, yes") << "A" << "pbYes" << true;
        QTest::newRow("existing, no") << "A" << "pbNo" << false;
        QTest::newRow("empty") << "" << "" << false;
        QTest::newRow("dot") << "." << "" << false;
        QTest::newRow("dot dot") << ".." << "" << false;
        QTest::newRow("into a subfolder") << "ch2/x" << "" << false;
        QTest::newRow("out of the folder") << "../x" << "" << false;
        QTest::newRow("absolute") << "/etc/x" << "" << false;
    }
    void saveAsTakesOnlyAPlainNewName()
    {
        QFETCH(QString, typed);
        QFETCH(QString, answer);
        QFETCH(bool, accepted);
        populate({"/programs/A.npg", "/programs/ch2/"});
        Fixture f("/programs/", ".npg", false);

        ModalDriver driver;
        driver.next("FileManager", [&](ModalDialog& d) {
            d.click("pbSave_as");
            QVERIFY(d.widget("frmSaveAsNewProg")->isVisible());
            QCOMPARE(d.dialog()->focusWidget(), d.widget("leSaveAsNewProgName"));
            d.type("leSaveAsNewProgName", typed);
            d.key("leSaveAsNewProgName", Qt::Key_Return);
            if (!accepted) {
                QVERIFY(d.isOpen());
                QVERIFY(d.widget("frmSaveAsNewProg")->isVisible());
                QCOMPARE(d.text("lblSaveAsNewProg"), QStringLiteral("ИМЯ НОВОГО ФАЙЛА"));
                d.clickFrameClose();
            }
        });
        if (!answer.isEmpty())
            driver.next("Confirm", expectQuestion(QStringLiteral("Перезаписать файл A?"), answer));
        QCOMPARE(f.dialog->exec(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QVERIFY(driver.done());
        QCOMPARE(f.dialog->name, accepted ? typed : QString());
        QCOMPARE(f.dialog->path, accepted ? "/programs/" + typed : QString());
        QCOMPARE(QDir(FixedPaths::local("/programs/")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"A.npg", "ch2"}));
    }

    // In ".npg" mode the channel folders open with a double click, from the programs root and
    // from one channel folder to another; a program named like one is a program all the same.
    void channelFoldersOpenWithADoubleClick()
    {
        populate({"/programs/P.npg", "/programs/ch2/Q.npg", "/programs/ch2/R.npg", "/programs/ch1/",
                  "/programs/ch1/ch2.npg", "/programs/other/"});
        Fixture f("/programs/", ".npg", true);
        ModalDriver driver;
        ModalDialog d(&driver, f.dialog.get());

        QCOMPARE(f.items(), (QStringList{"ch1", "ch2", "P"}));
        QVERIFY(d.doubleClickItem("listWidget_prog", "ch2"));
        QCOMPARE(f.dialog->folder(), QStringLiteral("/programs/ch2/"));
        QCOMPARE(f.items(), (QStringList{"..", "ch1", "Q", "R"}));
        QVERIFY(!d.isEnabled("pbLoad"));
        // ".." leads back to the programs root and its generated programs; it is never chosen.
        QVERIFY(d.doubleClickItem("listWidget_prog", ".."));
        QCOMPARE(f.dialog->folder(), QStringLiteral("/programs/"));
        QCOMPARE(f.items(), (QStringList{"ch1", "ch2", "P"}));
        QVERIFY(d.doubleClickItem("listWidget_prog", "ch1"));
        QCOMPARE(f.dialog->folder(), QStringLiteral("/programs/ch1/"));
        QCOMPARE(f.items(), (QStringList{"..", "ch2", "ch2"}));
        QVERIFY(!driver.failed());

        // The second "ch2" (after ".." and the folder) is the program of that name.
        driver.next([&](ModalDialog& dialog) {
            auto* list = dialog.dialog()->findChild<QListWidget*>("listWidget_prog");
            const QPoint at = list->visualItemRect(list->item(2)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QVERIFY(dialog.isEnabled("pbLoad"));
            dialog.click("pbLoad");
        });
        QCOMPARE(f.dialog->exec(), int(QDialog::Accepted));
        QVERIFY(driver.done());
        QCOMPARE(f.dialog->path, QStringLiteral("/programs/ch1/ch2"));
    }

    void doubleClickChoosesInOpenMode_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("item");
        QTest::newRow("program") << ".npg" << "P";
        QTest::newRow("contour") << ".save" << "K";
    }
    void doubleClickChoosesInOpenMode()
    {
        QFETCH(QString, suffix);
        QFETCH(QString, item);
        populate({"/programs/P.npg", "/programs/K.save", "/programs/ch2/", "/programs/other/"});
        Fixture f("/programs/", suffix, true);
        ModalDriver driver;
        driver.next([&](ModalDialog& d) { QVERIFY(d.doubleClickItem("listWidget_prog", item)); });
        QCOMPARE(f.dialog->exec(), int(QDialog::Accepted));
        QVERIFY(driver.done());
        QCOMPARE(f.dialog->name, item);
        QCOMPARE(f.dialog->path, "/programs/" + item);
    }

    void loadChoosesTheCurrentProgram()
    {
        populate({"/points/a1.point", "/points/b2.point"});
        Fixture f("/points/", ".point", true);
        ModalDriver driver;
        driver.next([](ModalDialog& d) {
            d.clickItem("listWidget_prog", "b2");
            d.click("pbLoad");
        });
        QCOMPARE(f.dialog->exec(), int(QDialog::Accepted));
        QVERIFY(driver.done());
        QCOMPARE(f.dialog->name, QStringLiteral("b2"));
        QCOMPARE(f.dialog->path, QStringLiteral("/points/b2"));
    }
};

POKAVRO_TEST_MAIN(TestFileManager)
#include "tst_filemanager.moc"
