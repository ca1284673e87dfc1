#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <memory>

#include "autorization.h"
#include "autorizationdialog.h"
#include "controlpanel.h"
#include "fixedpaths.h"
#include "modaldriver.h"
#include "myframe.h"
#include "settingsfile.h"
#include "testenv.h"

using namespace Autorization;

namespace {

const QString kWrongLogin = QStringLiteral("Неправильный логин или пароль!");

QByteArray md5(const QByteArray& password)
{
    return QCryptographicHash::hash(password, QCryptographicHash::Md5);
}

MyFrame* frameOf(QWidget* dialog) { return qobject_cast<MyFrame*>(dialog->parentWidget()); }

// The main window's part in the login: the window, its two labels and its users button.
struct MainWindow {
    QWidget window;
    QLabel* userName = new QLabel(QStringLiteral("name before"), &window);
    QLabel* rights = new QLabel(QStringLiteral("rights before"), &window);
    QPushButton* changeUser = new QPushButton(&window);
    QPushButton* users = new QPushButton(&window);
    RecordingBoxes boxes;
    std::unique_ptr<Manager> manager;

    MainWindow()
    {
        window.setGeometry(0, 0, 1920, 1200);
        window.show();
        manager = std::make_unique<Manager>(&window, userName, rights, changeUser, users,
                                            FixedPaths::usersFile());
        new AbstractUser(manager.get(), "ivan", "Иван", md5("1234"), manager->groups()[2]);
        new AbstractUser(manager.get(), "petr", "Пётр", md5("5678"), manager->groups()[1]);
    }

    QStringList boxTexts(QMessageBox::Icon icon, const QString& title) const
    {
        QStringList texts;
        for (const RecordingBoxes::Box& box : boxes.boxes)
            texts << (box.icon == icon && box.title == title ? box.text : "<other box>");
        return texts;
    }
};

// One login attempt: the fields as the dialog shows them, then what is typed.
void attempt(ModalDriver& driver, const QString& keptLogin, const QString& login,
             const QString& password)
{
    driver.next("AutorizationDialog", [=](ModalDialog& d) {
        QCOMPARE(d.text("leLogin"), keptLogin);
        QCOMPARE(d.text("lePassword"), QString());
        d.find<QLineEdit>("leLogin")->clear();
        d.type("leLogin", login);
        d.type("lePassword", password);
        d.click("pbEnter");
    });
}

}  // namespace

class TestUserDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestEnv::makeInstallationFolders(); }

    void init()
    {
        QFile::remove(FixedPaths::usersFile());
        QFile::remove(FixedPaths::settingsFile());
    }

    // ---- login dialog --------------------------------------------------------------------

    void loginDialogInput()
    {
        QWidget window;
        window.setGeometry(0, 0, 1920, 1200);
        window.show();
        AutorizationDialog dialog(&window);
        MyFrame* frame = frameOf(&dialog);
        QVERIFY(frame);
        QCOMPARE(frame->titleLabel()->text(), QStringLiteral("Авторизация"));
        // Centred over the main window.
        QCOMPARE(frame->pos(), QPoint((1920 - frame->width()) / 2, (1200 - frame->height()) / 2));
        QCOMPARE(frame->windowModality(), Qt::WindowModal);

        // Only Latin letters and digits in the login, digits in the password, 32 at most.
        ModalDriver driver;
        driver.next("AutorizationDialog", [](ModalDialog& d) {
            d.type("leLogin", "Iv");
            d.type("leLogin", "Ж -");
            QCOMPARE(d.text("leLogin"), QStringLiteral("Iv"));
            d.type("leLogin", QString(40, QLatin1Char('n')));
            QCOMPARE(d.text("leLogin").size(), 32);
            d.type("lePassword", "12a3б");
            QCOMPARE(d.text("lePassword"), QStringLiteral("123"));
            d.type("lePassword", QString(40, QLatin1Char('9')));
            QCOMPARE(d.text("lePassword").size(), 32);
            d.reject();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(driver.done());
        dialog.clearPassword();
        QCOMPARE(dialog.getPassword(), QString());
        QCOMPARE(dialog.getLogin().size(), 32);
    }

    void returnMovesToPasswordThenEnters()
    {
        QWidget window;
        window.setGeometry(0, 0, 1920, 1200);
        window.show();
        ModalDriver driver;
        driver.next("AutorizationDialog", [](ModalDialog& d) {
            QVERIFY(QTest::qWaitFor([&] { return d.widget("leLogin")->hasFocus(); }, 5000));
            d.type("ivan");
            d.key(Qt::Key_Return);
            QVERIFY(d.isOpen());
            QVERIFY(d.widget("lePassword")->hasFocus());
            d.type("1234");
            d.key(Qt::Key_Return);
        });
        AutorizationDialog dialog(&window);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(driver.done());
        QCOMPARE(dialog.getLogin(), QStringLiteral("ivan"));
        QCOMPARE(dialog.getPassword(), QStringLiteral("1234"));
    }

    // ---- login loop ----------------------------------------------------------------------

    void loginLoopRetriesUntilALoginFits()
    {
        MainWindow main;
        main.users->hide();
        ModalDriver driver;
        attempt(driver, "", "", "");  // an empty pair can be submitted
        attempt(driver, "", "petr", "1234");
        attempt(driver, "petr", "Petr", "5678");
        attempt(driver, "Petr", "petr", "5678");
        QCOMPARE(main.manager->showAutorization(), 1);
        QVERIFY(driver.done());
        QCOMPARE(main.boxTexts(QMessageBox::Warning, "Авторизация"),
                 (QStringList{kWrongLogin, kWrongLogin, kWrongLogin}));
        QCOMPARE(main.userName->text(), QStringLiteral("Пётр"));
        QCOMPARE(main.rights->text(), QStringLiteral("Наладчик"));
        QVERIFY(!main.users->isHidden());
        QCOMPARE(main.manager->currentUser()->login(), QStringLiteral("petr"));
    }

    void cancelledLoginChangesNothing_data()
    {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("frame close button") << false;
        QTest::newRow("escape") << true;
    }
    void cancelledLoginChangesNothing()
    {
        QFETCH(bool, byEscape);
        MainWindow main;
        {
            ModalDriver driver;
            attempt(driver, "", "ivan", "1234");
            QCOMPARE(main.manager->showAutorization(), 2);
            QVERIFY(driver.done());
        }
        QVERIFY(main.users->isHidden());

        ModalDriver driver;
        driver.next("AutorizationDialog", [=](ModalDialog& d) {
            d.type("leLogin", "su");
            d.type("lePassword", "62940571");
            if (byEscape)
                d.key("leLogin", Qt::Key_Escape);
            else
                QVERIFY(d.clickFrameClose());
        });
        QCOMPARE(main.manager->showAutorization(), -1);
        QVERIFY(driver.done());
        QVERIFY(main.boxes.boxes.isEmpty());
        QCOMPARE(main.userName->text(), QStringLiteral("Иван"));
        QCOMPARE(main.rights->text(), QStringLiteral("Оператор"));
        QVERIFY(main.users->isHidden());
        QCOMPARE(main.manager->currentUser()->login(), QStringLiteral("ivan"));
    }

    // ---- user management -----------------------------------------------------------------

    void userTableRows()
    {
        MainWindow main;
        new AbstractUser(main.manager.get(), "boss", "Шеф", md5("0"), main.manager->groups()[0]);
        ControlPanel panel(&main.window, main.manager.get());
        MyFrame* frame = frameOf(&panel);
        QCOMPARE(frame->titleLabel()->text(), QStringLiteral("Панель управления пользователями"));
        QCOMPARE(frame->pos(), QPoint((1920 - frame->width()) / 2, (1200 - frame->height()) / 2));

        QTableWidget* table = panel.getTable();
        const QStringList expected[] = {{"su", "Администратор", "Администратор"},
                                        {"ivan", "Иван", "Оператор"},
                                        {"petr", "Пётр", "Наладчик"},
                                        {"boss", "Шеф", "Администратор"}};
        QCOMPARE(table->rowCount(), 4);
        for (int row = 0; row < 4; ++row) {
            const bool usable = row == 1 || row == 2;
            for (int column = 0; column < 3; ++column) {
                QCOMPARE(table->item(row, column)->text(), expected[row][column]);
                QCOMPARE(table->item(row, column)->flags(),
                         usable ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags);
            }
        }

        // Administrators' rows, the built-in user's first, cannot be selected.
        frame->show();
        const auto clickRow = [table](int row) {
            const QRect cell = table->visualItemRect(table->item(row, 0));
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        };
        clickRow(0);
        QVERIFY(table->selectedItems().isEmpty());
        clickRow(3);
        QVERIFY(table->selectedItems().isEmpty());
        clickRow(1);
        QCOMPARE(table->selectedItems().size(), 3);
        QCOMPARE(table->selectedItems().first()->row(), 1);

        // Removing is not offered: the button changes nothing.
        QTest::mouseClick(panel.pbRemoveUser, Qt::LeftButton);
        QCOMPARE(main.manager->users().size(), 4);
        QCOMPARE(table->rowCount(), 4);
    }

    void addedUserLogsInAndReachesTheFile()
    {
        {
            MainWindow main;
            ModalDriver driver;
            driver.next("ControlPanel", [&](ModalDialog& panel) {
                // A cancelled registration adds nobody.
                panel.click("pbAddUser");
                QCOMPARE(panel.find<QTableWidget>("twUserTable")->rowCount(), 3);
                panel.click("pbAddUser");
                auto* table = panel.find<QTableWidget>("twUserTable");
                QCOMPARE(table->rowCount(), 4);
                QCOMPARE(table->item(3, 0)->text(), QStringLiteral("olga"));
                QCOMPARE(table->item(3, 1)->text(), QStringLiteral("Ольга"));
                QCOMPARE(table->item(3, 2)->text(), QStringLiteral("Оператор"));
                QVERIFY(table->item(3, 0)->flags() & Qt::ItemIsSelectable);
                // The frames of the closed registration dialogs go first.
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                QVERIFY(panel.clickFrameClose());
            });
            driver.next("RegistrationDialog", [](ModalDialog& d) {
                d.type("leName", "Кто-то");
                d.type("leLogin", "nobody");
                d.key("leName", Qt::Key_Escape);
            });
            driver.next("RegistrationDialog", [&](ModalDialog& d) {
                QCOMPARE(frameOf(d.dialog())->titleLabel()->text(),
                         QStringLiteral("Добавление пользователя"));
                d.type("leName", "Ольга");
                d.type("leLogin", "ivan");  // taken
                d.type("lePassword", "4321");
                d.type("lePasswordCheck", "4321");
                d.click("pbCreate");
                QVERIFY(d.isOpen());
                d.find<QLineEdit>("leLogin")->clear();
                d.type("leLogin", "olga");
                d.find<QComboBox>("cbAccess")->setCurrentIndex(1);
                d.click("pbCreate");
            });
            main.manager->onControlPanel();
            QVERIFY(driver.done());
            QCOMPARE(main.boxTexts(QMessageBox::Warning, "Добавление пользователя"),
                     QStringList{"Поле \"Логин:\" заполнено неверно!"});
            // In the file already, while the console still runs (a crash now loses nobody), and
            // without the built-in user.
            const int boxes = main.boxes.boxes.size();
            Manager reader(nullptr, nullptr, nullptr, nullptr, nullptr, FixedPaths::usersFile());
            reader.readUsers();
            QCOMPARE(main.boxes.boxes.size(), boxes);
            QStringList logins;
            for (const AbstractUser* user : reader.users())
                logins << user->login();
            QCOMPARE(logins, (QStringList{"su", "ivan", "petr", "olga"}));

            QVERIFY(main.manager->logIn("olga", "4321"));
            QCOMPARE(main.manager->currentUser()->group()->name(), QStringLiteral("Оператор"));
        }
        RecordingBoxes boxes;
        Manager manager(nullptr, nullptr, nullptr, nullptr, nullptr, FixedPaths::usersFile());
        manager.readUsers();
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(manager.users().size(), 4);
        QCOMPARE(manager.users().last()->login(), QStringLiteral("olga"));
        QVERIFY(manager.logIn("olga", "4321"));
    }

    void columnWidthsPersist()
    {
        MainWindow main;
        {
            ControlPanel panel(&main.window, main.manager.get());
            // The last column stretches over the rest of the table.
            QCOMPARE(panel.getTable()->columnWidth(0), 80);
            QCOMPARE(panel.getTable()->columnWidth(1), 80);
            panel.getTable()->setColumnWidth(0, 123);
            panel.getTable()->setColumnWidth(1, 211);
        }
        {
            auto settings = SettingsFile::open();
            QCOMPARE(settings->value("Registration/Width_Login").toInt(), 123);
            QCOMPARE(settings->value("Registration/Width_Name").toInt(), 211);
            QVERIFY(settings->contains("Registration/Width_Rights"));
        }
        ControlPanel panel(&main.window, main.manager.get());
        QCOMPARE(panel.getTable()->columnWidth(0), 123);
        QCOMPARE(panel.getTable()->columnWidth(1), 211);
    }
};

POKAVRO_TEST_MAIN(TestUserDialogs)
#include "tst_userdialogs.moc"
