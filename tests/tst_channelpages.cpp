// The editor's channel pages: a page's program run on its channel by hand (file, command and, for
// channel 1, a weld passport) against the simulated drive controller, and programs saved to and
// opened from the channel folders through the file dialog.

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTextCodec>
#include <QtTest>

#include <memory>

#include "contour.h"
#include "dialogsteps.h"
#include "editorconsole.h"
#include "fixedpaths.h"
#include "fulldisk.h"
#include "gui.h"
#include "modaldriver.h"
#include "programpage.h"
#include "readonlyfolder.h"
#include "tabletexts.h"
#include "testenv.h"
#include "weldprogram.h"

using TableTexts::texts;

namespace {

QByteArray readFile(const QString& systemPath)
{
    QFile file(FixedPaths::local(systemPath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

void writeFile(const QString& systemPath, const QByteArray& bytes)
{
    QFile file(FixedPaths::local(systemPath));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

int passportCount()
{
    return QDir(FixedPaths::passportDir()).entryList(QDir::Files).size();
}

}  // namespace

class TestChannelPages : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestEnv::makeInstallationFolders();
        QDir(FixedPaths::passportDir()).removeRecursively();
    }

    // Each run button writes its page, unchanged, into its run file and starts it; only channel
    // 1 is recorded in a passport. A run file that was read-only for others is opened up first.
    void runs()
    {
        EditorConsole console;
        QVERIFY(console.start());
        CONTOUR* c = console.contour();
        const QString runFile1 = FixedPaths::local(QStringLiteral("/programs/_temp.npg"));
        QFile::remove(runFile1);
        QVERIFY(QFile(runFile1).open(QIODevice::WriteOnly));
        QVERIFY(QFile::setPermissions(runFile1, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QSignalSpy messages(c, &CONTOUR::message);

        c->teGcode->setPlainText(QStringLiteral("N1 $1"));
        c->pbRun->click();
        QCOMPARE(readFile(QStringLiteral("/programs/_temp.npg")), QByteArray("N1 $1"));
        QCOMPARE(QFile::permissions(runFile1) & 0x0FFF, QFileDevice::Permissions(0x0777));
        QCOMPARE(console.commandTexts(1), QStringList{"EXEC_1(/programs/_temp.npg)"});
        QVERIFY(c->passportOpen());
        QCOMPARE(passportCount(), 1);
        QVERIFY(!c->fullRun());

        const struct {
            int channel;
            QPushButton* button;
            QPlainTextEdit* page;
        } others[] = {{2, c->pbRun_2, c->teGcode_2}, {3, c->pbRun_3, c->teGcode_3}};
        for (const auto& run : others) {
            run.page->setPlainText(QStringLiteral("N1 $%1\nN2 M30").arg(run.channel));
            run.button->click();
            QCOMPARE(readFile(QStringLiteral("/programs/_temp%1.npg").arg(run.channel)),
                     QStringLiteral("N1 $%1\nN2 M30").arg(run.channel).toUtf8());
            QCOMPARE(console.commandTexts(1), QStringList{QStringLiteral("EXEC_%1(/programs/_temp%1.npg)").arg(run.channel)});
        }
        QCOMPARE(passportCount(), 1);
        QCOMPARE(texts(messages), (QStringList{"[I]Нажата кнопка 'Пуск программы' панели 'Канал 1'",
                                               "[I]Нажата кнопка 'Пуск программы' панели 'Канал 2'",
                                               "[I]Нажата кнопка 'Пуск программы' панели 'Канал 3'"}));
    }

    // A run the controller cannot be trusted with is refused before its file is written: the
    // channel still runs the program before (two taps), the drives are off, the drive link is
    // lost. One "[A]" line each; no file, no command, no passport.
    void refusedRuns()
    {
        EditorConsole console;
        QVERIFY(console.start(2.0));
        CONTOUR* c = console.contour();
        c->teGcode->setPlainText(QStringLiteral("N1 $1"));
        c->pbRun->click();
        QCOMPARE(console.commandTexts(1, 0), QStringList{"EXEC_1(/programs/_temp.npg)"});
        QVERIFY(QTest::qWaitFor([c] { return c->channelState(1) == 3; }, 3000));
        QVERIFY(QFile::remove(FixedPaths::local(QStringLiteral("/programs/_temp.npg"))));
        QSignalSpy messages(c, &CONTOUR::message);
        c->pbRun->click();
        QCOMPARE(texts(messages), (QStringList{"[I]Нажата кнопка 'Пуск программы' панели 'Канал 1'",
                                               "[A]Пуск невозможен: канал 1 выполняет программу"}));
        QVERIFY(messages.at(1).at(1).toBool());

        // Channel 3 is idle: its own run is refused only while the drives are off.
        console.sim()->apply(QStringLiteral("DRIVE OFF"));
        QVERIFY(QTest::qWaitFor([c] { return !c->driveState(); }, 3000));
        messages.clear();
        c->pbRun_3->click();
        QCOMPARE(texts(messages).value(1), QStringLiteral("[A]Пуск невозможен: приводы не включены"));
        QCOMPARE(console.commandTexts(0), QStringList());

        console.stopSimulator();
        QVERIFY(QTest::qWaitFor([&console] { return !console.gui()->cncConnected(); }, 5000));
        messages.clear();
        c->pbRun_2->click();
        QCOMPARE(texts(messages).value(1), QStringLiteral("[A]Пуск невозможен: нет связи с ЧПУ"));

        for (const char* file : {"/programs/_temp.npg", "/programs/_temp2.npg", "/programs/_temp3.npg"})
            QCOMPARE(readFile(QString::fromLatin1(file)), QByteArray("<no file>"));
        QCOMPARE(passportCount(), 1);
    }

    // The programs folder is shared with the controller: the console may rewrite the programs in
    // it but not create files there. A run and a save over an existing program are written in
    // place; a run file that is not there yet cannot be made, and nothing is started for it.
    void sharedFolder()
    {
        EditorConsole console;
        QVERIFY(console.start());
        CONTOUR* c = console.contour();
        writeFile(QStringLiteral("/programs/_temp2.npg"), "N1 $2\nN2 G90 G01 V=90.00 F600.000\nN3 M30");
        writeFile(QStringLiteral("/programs/ch2/kept.npg"), "N1 $2\nN2 M30\n");
        QFile::remove(FixedPaths::local(QStringLiteral("/programs/_temp3.npg")));
        ReadOnlyFolder programs(FixedPaths::local(QStringLiteral("/programs")));
        ReadOnlyFolder channel2(FixedPaths::local(QStringLiteral("/programs/ch2")));
        QVERIFY(programs.holds());
        QVERIFY(channel2.holds());
        QSignalSpy messages(c, &CONTOUR::message);

        c->teGcode_2->setPlainText(QStringLiteral("N1 $2\nN2 M30"));
        c->pbRun_2->click();
        QCOMPARE(readFile(QStringLiteral("/programs/_temp2.npg")), QByteArray("N1 $2\nN2 M30"));
        QCOMPARE(console.commandTexts(1), QStringList{"EXEC_2(/programs/_temp2.npg)"});

        c->teGcode_3->setPlainText(QStringLiteral("N1 $3\nN2 M30"));
        c->pbRun_3->click();
        QCOMPARE(console.commandTexts(0), QStringList());
        QCOMPARE(readFile(QStringLiteral("/programs/_temp3.npg")), QByteArray("<no file>"));

        {
            ModalDriver driver;
            driver.next("FileManager", [](ModalDialog& d) {
                d.clickItem("listWidget_prog", QStringLiteral("kept"));
                d.click("pbSave");
            });
            driver.next("Confirm", [](ModalDialog& d) { d.click("pbYes"); });
            c->pbPrgSave_2->click();
            QVERIFY(driver.done());
        }
        QCOMPARE(readFile(QStringLiteral("/programs/ch2/kept.npg")), QByteArray("N1 $2\nN2 M30"));
        QCOMPARE(texts(messages), (QStringList{"[I]Нажата кнопка 'Пуск программы' панели 'Канал 2'",
                                               "[I]Нажата кнопка 'Пуск программы' панели 'Канал 3'",
                                               "[A]Не удалось записать файл /programs/_temp3.npg: программа не запущена",
                                               "[I]Нажата кнопка 'Сохранить программу ЧПУ' панели 'Канал 2'",
                                               "[I]Программа ЧПУ сохранена в файле kept.npg"}));
    }

    // A program the operator keeps is written beside the old one and renamed over it: the old
    // program stays whole until the new one is, for a disk that takes no more data (the operator is
    // told it was not saved) and for a reader that opened it before the save.
    void savedProgramReplacedWhole_data()
    {
        FullDisk::addColumn();
        FullDisk::addRows();
    }
    void savedProgramReplacedWhole()
    {
        QFETCH(int, disk);
        FullDisk full(FullDisk::Kind(disk), FixedPaths::local(QStringLiteral("/programs/ch2")));
        if (!full.unavailable().isEmpty())
            QSKIP(qPrintable(full.unavailable()));
        const QByteArray old = "N1 $2\nN2 G90 G01 V=90.00 F600.000\nN3 M30";
        writeFile(QStringLiteral("/programs/ch2/kept.npg"), old);
        CONTOUR c;
        QSignalSpy messages(&c, &CONTOUR::message);
        c.teGcode_2->setPlainText(QStringLiteral("N1 $2\nN2 M30"));
        c.lbProgName2->setText(QStringLiteral("before"));
        full.fill();
        QVERIFY(!c.saveFile(QStringLiteral("kept"), QStringLiteral("/programs/ch2/kept"), c.lbProgName2, c.teGcode_2));
        full.free();
        QCOMPARE(readFile(QStringLiteral("/programs/ch2/kept.npg")), old);
        QCOMPARE(c.lbProgName2->text(), QStringLiteral("before"));
        QCOMPARE(texts(messages), QStringList{"[W]Программа ЧПУ не сохранена: не удалось записать файл kept.npg"});

        QFile reader(FixedPaths::local(QStringLiteral("/programs/ch2/kept.npg")));
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QVERIFY(c.saveFile(QStringLiteral("kept"), QStringLiteral("/programs/ch2/kept"), c.lbProgName2, c.teGcode_2));
        QCOMPARE(reader.readAll(), old);
        QCOMPARE(readFile(QStringLiteral("/programs/ch2/kept.npg")), QByteArray("N1 $2\nN2 M30"));
        QCOMPARE(c.lbProgName2->text(), QStringLiteral("kept"));
    }

    // Saved under a new name in the channel's folder (UTF-8), opened again as UTF-8 whatever the
    // locale's encoding; a file that vanished between the dialog and the read leaves the page as
    // it was.
    void saveAndOpen()
    {
        TestEnv::makeInstallationFolders();
        QTextCodec* const localeCodec = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("KOI8-R"));
        const auto restore = qScopeGuard([localeCodec] { QTextCodec::setCodecForLocale(localeCodec); });
        const QString program = QStringLiteral("N1 $2 ; поворот\nN2 M30");
        CONTOUR c;
        c.show();
        QSignalSpy messages(&c, &CONTOUR::message);
        c.teGcode_2->setPlainText(program);
        {
            ModalDriver driver;
            driver.next("FileManager", [](ModalDialog& d) {
                d.click("pbSave_as");
                d.type("leSaveAsNewProgName", QStringLiteral("turn"));
                d.key("leSaveAsNewProgName", Qt::Key_Return);
            });
            c.pbPrgSave_2->click();
            QVERIFY(driver.done());
        }
        QCOMPARE(readFile(QStringLiteral("/programs/ch2/turn.npg")), program.toUtf8());
        QCOMPARE(c.lbProgName2->text(), QStringLiteral("turn"));

        c.teGcode_2->setPlainText(QStringLiteral("changed"));
        const auto open = [&c](std::function<void()> before) {
            ModalDriver driver;
            driver.next("FileManager", [before](ModalDialog& d) {
                d.clickItem("listWidget_prog", QStringLiteral("turn"));
                if (before)
                    before();
                d.click("pbLoad");
            });
            c.pbPrgOpen_2->click();
            QVERIFY(driver.done());
        };
        open({});
        QTRY_COMPARE(c.teGcode_2->toPlainText(), program);
        QCOMPARE(texts(messages), (QStringList{"[I]Нажата кнопка 'Сохранить программу ЧПУ' панели 'Канал 2'",
                                               "[I]Программа ЧПУ сохранена в файле turn.npg",
                                               "[I]Нажата кнопка 'Загрузить программу ЧПУ' панели 'Канал 2'",
                                               "[I]Выполнена загрузка программы ЧПУ из файла turn.npg"}));

        messages.clear();
        c.teGcode_2->setPlainText(QStringLiteral("changed"));
        c.lbProgName2->setText(QStringLiteral("before"));
        open([] { QVERIFY(QFile::remove(FixedPaths::local(QStringLiteral("/programs/ch2/turn.npg")))); });
        QCOMPARE(c.teGcode_2->toPlainText(), QStringLiteral("changed"));
        QCOMPARE(c.lbProgName2->text(), QStringLiteral("before"));
        QCOMPARE(texts(messages), QStringList{"[I]Нажата кнопка 'Загрузить программу ЧПУ' панели 'Канал 2'"});
    }

    // A program longer than the controller holds (2 MB) is opened and shown a piece at a time, but
    // not run; one of 2 MB is run whole, also while the page still fills. A file beyond what a page
    // shows (8 MB) is not opened: the page stays as it was. The file is read off the GUI thread:
    // the page shows it once it is there.
    void programsBeyondTheControllersMemory()
    {
        CONTOUR c;
        c.onDriveState(true);
        QSignalSpy messages(&c, &CONTOUR::message);
        const QByteArray line = "N10 G90 G01 x=10.00 y=20.00 z=30.00 F600.000\n";
        const QByteArray largest = line.repeated(int(WeldProgram::kMaxProgramBytes / line.size())) +
                                   QByteArray(WeldProgram::kMaxProgramBytes % line.size(), ';');
        QCOMPARE(largest.size(), WeldProgram::kMaxProgramBytes);
        const QByteArray big = largest.repeated(3) + "\n";
        const QByteArray beyondPage = QByteArray(int(ProgramPage::kMaxFileBytes) + 1, ';');
        const QString ch3 = FixedPaths::local(QStringLiteral("/programs/ch3/"));
        for (const auto& [name, bytes] :
             {std::make_pair("big", big), std::make_pair("largest", largest), std::make_pair("huge", beyondPage)}) {
            QFile file(ch3 + QLatin1String(name) + QStringLiteral(".npg"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        // What the page holds as the line of the opened program comes: its first piece. The run
        // button may be pressed then.
        int shownChars = -1;
        bool runAtOnce = false;
        connect(&c, &CONTOUR::message, this, [&](const QString& text) {
            if (!text.startsWith(QStringLiteral("[I]Выполнена загрузка")))
                return;
            shownChars = c.teGcode_3->document()->characterCount();
            if (runAtOnce)
                c.pbRun_3->click();
        });
        const auto open = [&c](const char* name) {
            return c.loadFile(QLatin1String(name), QStringLiteral("/programs/ch3/") + QLatin1String(name), c.lbProgName3,
                              c.teGcode_3);
        };

        c.teGcode_3->setPlainText(QStringLiteral("before"));
        QVERIFY(!open("huge"));
        QCOMPARE(c.teGcode_3->toPlainText(), QStringLiteral("before"));
        QCOMPARE(texts(messages), QStringList{"[W]Программа ЧПУ не загружена: файл huge.npg длиннее 8 МБ, которые "
                                              "показывает страница канала"});

        messages.clear();
        QVERIFY(open("big"));
        QTRY_COMPARE(c.lbProgName3->text(), QStringLiteral("big"));
        QCOMPARE(texts(messages), QStringList{"[I]Выполнена загрузка программы ЧПУ из файла big.npg"});
        QVERIFY(shownChars > 1 && shownChars <= ProgramPage::kPiece + 1);
        QCOMPARE(c.pageProgram(3).toUtf8(), big);
        c.pbRun_3->click();
        QCOMPARE(texts(messages).last(), QStringLiteral("[A]Пуск невозможен: программа канала 3 длиннее 2 МБ, "
                                                        "которые вмещает память ЧПУ"));
        QCOMPARE(readFile(QStringLiteral("/programs/_temp3.npg")), QByteArray("<no file>"));
        QTRY_COMPARE(c.teGcode_3->toPlainText().toUtf8(), big);
        c.pbRun_3->click();
        QCOMPARE(texts(messages).last(), QStringLiteral("[A]Пуск невозможен: программа канала 3 длиннее 2 МБ, "
                                                        "которые вмещает память ЧПУ"));
        QCOMPARE(readFile(QStringLiteral("/programs/_temp3.npg")), QByteArray("<no file>"));

        // The whole program runs, though the page is still filling.
        runAtOnce = true;
        QVERIFY(open("largest"));
        QTRY_COMPARE(c.lbProgName3->text(), QStringLiteral("largest"));
        runAtOnce = false;
        QVERIFY(shownChars > 1 && shownChars <= ProgramPage::kPiece + 1);
        QCOMPARE(readFile(QStringLiteral("/programs/_temp3.npg")), largest);
        QTRY_COMPARE(c.teGcode_3->toPlainText().size(), largest.size());

        messages.clear();
        c.teGcode_3->appendPlainText(QStringLiteral("N20 M30"));
        c.pbRun_3->click();
        QCOMPARE(readFile(QStringLiteral("/programs/_temp3.npg")), largest);
        QCOMPARE(texts(messages).last(), QStringLiteral("[A]Пуск невозможен: программа канала 3 длиннее 2 МБ, "
                                                        "которые вмещает память ЧПУ"));
    }
};

POKAVRO_TEST_MAIN(TestChannelPages)
#include "tst_channelpages.moc"
