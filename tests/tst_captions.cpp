// Every caption of the console fits its widget in the console's font: first every designer form as
// the form file builds it (but the main window's), then the main window and its dialogs as the
// operator opens them, with the texts their code sets.
#include <QApplication>
#include <QAbstractButton>
#include <QLabel>
#include <QTableWidget>
#include <QtTest>
#include <functional>

#include <memory>
#include <utility>

#include "alarmdialog.h"
#include "captions.h"
#include "consolefont.h"
#include "contour.h"
#include "contoursamples.h"
#include "drivesim.h"
#include "editorconsole.h"
#include "elementdlg.h"
#include "formlist.h"
#include "genericlink.h"
#include "gui.h"
#include "modaldriver.h"
#include "mywinstyle.h"
#include "statebutton.h"
#include "systemoff.h"
#include "techdialogs.h"
#include "testenv.h"
#include "vacuumsim.h"

namespace {

// Each fault on a line of its own (a failure message is cut short), then the count.
QByteArray report(const QStringList& faults)
{
    for (const QString& fault : faults)
        qWarning().noquote() << "fault:" << fault;
    return QStringLiteral("%1 fault(s), listed above").arg(faults.size()).toUtf8();
}

// Records what Qt says about style sheets it cannot read while it lives: a colour it rejects is
// lost on the screen (a table's selection shows in the default colour).
class StyleSheetComplaints
{
public:
    StyleSheetComplaints() { s_previous = qInstallMessageHandler(&StyleSheetComplaints::handle); }
    ~StyleSheetComplaints() { qInstallMessageHandler(s_previous); }
    QStringList take() { return std::exchange(s_lines, {}); }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (text.startsWith(QLatin1String("QCssParser")) || text.startsWith(QLatin1String("Could not parse")))
            s_lines << text;
        s_previous(type, context, text);
    }
    static inline QtMessageHandler s_previous = nullptr;
    static inline QStringList s_lines;
};

// Lines of a caption that start with two blanks or more: the indentation of a form file that
// slipped into the text.
QStringList indentedLines(QWidget* root, const QString& where)
{
    QStringList found;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        QString text;
        if (auto* label = qobject_cast<QLabel*>(widget))
            text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            text = button->text();
        for (const QString& line : text.split(QLatin1Char('\n')).mid(1))
            if (line.startsWith(QLatin1String("  ")))
                found << QStringLiteral("%1: %2 has the indented line \"%3\"").arg(where, widget->objectName(), line);
    }
    return found;
}

// A step that measures the dialog as it came up (its host frame and title included), checks that
// it lies on the installation's screen, and closes it.
ModalDriver::Action measureAndClose(QStringList* faults, const QString& where)
{
    return [faults, where](ModalDialog& d) {
        *faults << clippedCaptions(d.window(), where);
        const QRect placed = d.window()->frameGeometry();
        if (!QRect(0, 0, 1920, 1200).contains(placed))
            *faults << QStringLiteral("%1: the window at %2, %3 (%4 x %5) leaves the 1920 x 1200 screen")
                           .arg(where)
                           .arg(placed.x())
                           .arg(placed.y())
                           .arg(placed.width())
                           .arg(placed.height());
        d.reject();
    };
}

// The main window on the installation's screen (the test platform's own is smaller), shown and
// connected to the drive controller.
bool shownConnected(Gui& gui)
{
    gui.setWindowState(Qt::WindowNoState);
    gui.setGeometry(0, 0, 1920, 1200);
    gui.show();
    return QTest::qWaitForWindowExposed(&gui) && QTest::qWaitFor([&gui] { return gui.cncConnected(); }, 5000);
}

}  // namespace

class TestCaptions : public QObject
{
    Q_OBJECT

    std::unique_ptr<RecordingBoxes> m_boxes;
    std::unique_ptr<RecordingRunner> m_runner;
    QList<quint16> m_ports;

private slots:
    void initTestCase()
    {
        // As the program runs: the console's font and its style.
        QCOMPARE(QApplication::font().family(), QStringLiteral("Cantarell"));
        for (const QString& family : consoleFamilies())
            QVERIFY2(QFontInfo(QFont(family)).family() == family,
                     qPrintable(family + QStringLiteral(" is not installed (Debian packages fonts-cantarell, "
                                                        "fonts-dejavu-core, fonts-liberation2)")));
        QApplication::setStyle(new MyWinStyle);
        m_ports = TestEnv::prepareConsole();
        m_boxes = std::make_unique<RecordingBoxes>();
        m_runner = std::make_unique<RecordingRunner>();
    }

    void cleanupTestCase()
    {
        m_runner.reset();
        m_boxes.reset();
    }

    // A caption with a character its font has no glyph for is drawn there in whatever other font
    // the machine has that does: the checker names it, even where an installed font draws it.
    void aCharacterTheFontLacksIsAFault_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("fault");
        QTest::newRow("the font's own glyphs") << QStringLiteral("Температура ОЖ, °C № 2 × 3") << QString();
        QTest::newRow("a sign only another font has") << QStringLiteral("\u2300 12 мм")
                                                      << QStringLiteral("no glyph for U+2300 in \"Cantarell\"");
    }
    void aCharacterTheFontLacksIsAFault()
    {
        QFETCH(QString, caption);
        QFETCH(QString, fault);
        QLabel label(caption);
        label.setFont(consoleFont());
        label.resize(600, 60);
        const QStringList faults = clippedCaptions(&label, QStringLiteral("fixture"), CaptionRoom::InOwnRoom);
        if (fault.isEmpty()) {
            QVERIFY2(faults.isEmpty(), report(faults).constData());
        } else {
            QCOMPARE(faults.size(), 1);
            QVERIFY2(faults.first().endsWith(fault), qPrintable(faults.first()));
        }
    }

    // Each form as its file builds it, before any code changes a text: its captions fit, carry no
    // indentation of the file, and its style sheets are read whole.
    void forms_data()
    {
        QTest::addColumn<int>("index");
        const QList<FormEntry> forms = allForms();
        QVERIFY(!forms.isEmpty());
        for (int i = 0; i < forms.size(); ++i)
            QTest::newRow(qPrintable(forms.at(i).file)) << i;
    }
    void forms()
    {
        QFETCH(int, index);
        const FormEntry form = allForms().at(index);
        StyleSheetComplaints complaints;
        std::unique_ptr<QWidget> root = form.build();
        root->show();
        QVERIFY(QTest::qWaitForWindowExposed(root.get()));
        QStringList faults = clippedCaptions(root.get(), form.file, CaptionRoom::InOwnRoom);
        faults << indentedLines(root.get(), form.file);
        for (const QString& complaint : complaints.take())
            faults << form.file + QStringLiteral(": style sheet: ") + complaint;
        QVERIFY2(faults.isEmpty(), report(faults).constData());
    }

    // The main window with every panel that the controller can bring up, and each dialog that
    // the operator opens from it, as the code fills them.
    void consoleWindows()
    {
        StyleSheetComplaints complaints;
        DriveSimulator drive;
        VacuumSimulator vacuum;
        QVERIFY(drive.start(m_ports[0], m_ports[1]));
        QVERIFY(vacuum.start(m_ports[2], m_ports[3], m_ports[4], m_ports[5]));
        Gui gui;
        QVERIFY(shownConnected(gui));
        QTest::qWait(300);  // the first status reaches every panel

        QStringList faults;
        faults << clippedCaptions(&gui, QStringLiteral("main window"));
        faults << indentedLines(&gui, QStringLiteral("main window"));
        // The panels that the controller and the operator bring up: the virtual axes, the
        // pendant's help box, the second LX and U rows.
        drive.status().transOn = 1;
        drive.status().pultOn = 1;
        QVERIFY(QTest::qWaitFor([&gui] { return gui.frmVirtual->isVisible() && gui.pultRegime->isVisible(); }, 5000));
        gui.showSecondLXAxis(true);
        gui.showSecondUAxis(true);
        faults << clippedCaptions(&gui, QStringLiteral("main window, virtual axes, pendant, second rows"));
        drive.status().transOn = 0;
        drive.status().pultOn = 0;
        QVERIFY(QTest::qWaitFor([&gui] { return !gui.frmVirtual->isVisible() && !gui.pultRegime->isVisible(); }, 5000));

        struct Opening {
            const char* dialog;
            QWidget* opener;
            QString where;
        };
        const QList<Opening> openings{
            {"AxisInfo", gui.pbInfoLX, QStringLiteral("axis dialog LX")},
            {"AxisInfo", gui.pbInfoU, QStringLiteral("axis dialog U1")},
            {"AxisInfo", gui.pbInfoLX2, QStringLiteral("axis dialog LX2")},
            {"AxisInfo", gui.pbInfoPHI, QStringLiteral("axis dialog PHI")},
            {"FixedMove", gui.coordLX, QStringLiteral("fixed move LX")},
            {"FixedMove", gui.coordPHI, QStringLiteral("fixed move PHI")},
            {"Selector", gui.speedLX, QStringLiteral("speed selector LX")},
            {"Point", gui.pbPoint, QStringLiteral("taught points")},
            {"ControlPanel", gui.pbUsers, QStringLiteral("users")},
            {"Constants", gui.pbConstants, QStringLiteral("system constants")},
            {"Inform", gui.pbInformation, QStringLiteral("information")},
            {"RateCalc", gui.pbCalc, QStringLiteral("speed calculator")},
            {"Confirm", gui.pbCloseProgram, QStringLiteral("exit question")},
            {"AutorizationDialog", gui.pbChangeUser, QStringLiteral("login")},
        };
        for (const Opening& opening : openings) {
            ModalDriver driver;
            driver.next(QString::fromLatin1(opening.dialog), measureAndClose(&faults, opening.where));
            QTest::mouseClick(opening.opener, Qt::LeftButton, {}, opening.opener->rect().center());
            QVERIFY2(driver.done(), opening.dialog);
        }

        // Dialogs opened from dialogs: the number pad from the speed selector's free entry, the
        // file dialog from the taught points, the registration from the users.
        {
            ModalDriver driver;
            driver.next("Selector", [](ModalDialog& d) {
                QWidget* any = d.widget(QStringLiteral("lblAny"));
                QTest::mouseClick(d.dialog(), Qt::LeftButton, {}, any->mapTo(d.dialog(), any->rect().center()));
            });
            driver.next("Numpad", measureAndClose(&faults, QStringLiteral("number pad")));
            QTest::mouseClick(gui.speedLY, Qt::LeftButton);
            QVERIFY(driver.done());
        }
        struct Nested {
            const char* outer;
            QString button;
            const char* inner;
            QAbstractButton* opener;
            QString where;
        };
        const QList<Nested> nested{
            {"Point", QStringLiteral("pbOpenFile"), "FileManager", gui.pbPoint, QStringLiteral("file dialog")},
            {"ControlPanel", QStringLiteral("pbAddUser"), "RegistrationDialog", gui.pbUsers,
             QStringLiteral("registration")},
        };
        for (const Nested& opening : nested) {
            ModalDriver driver;
            driver.next(QString::fromLatin1(opening.outer), [&opening](ModalDialog& d) {
                d.click(opening.button);
                d.reject();
            });
            driver.next(QString::fromLatin1(opening.inner), measureAndClose(&faults, opening.where));
            opening.opener->click();
            QVERIFY2(driver.done(), opening.inner);
        }
        // The vacuum screen: each element's switching dialog, the list of a refused switch (the
        // plant at rest refuses ND1), the setup code and an algorithm's question.
        KVS* vacuumScreen = gui.kvs;
        QVERIFY(QTest::qWaitFor([vacuumScreen] { return vacuumScreen->sbVacManual->state() != StateButton::State4; },
                                5000));
        for (int d = 0; d < KVS::ElementDialogCount; ++d) {
            VacuumElementDlg* dialog = vacuumScreen->elementDialog(KVS::ElementDialog(d));
            QVERIFY(QTest::qWaitFor([dialog] { return dialog->storedState() >= 0; }, 5000));
            dialog->showDlg();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            faults << clippedCaptions(dialog, QStringLiteral("element dialog ") + dialog->lblId->text());
            if (d == KVS::DlgND1) {
                QVERIFY(QTest::qWaitFor([dialog] { return dialog->sbSwitch->locked(); }, 5000));
                QTest::mousePress(dialog->sbSwitch, Qt::LeftButton);
                QVERIFY(dialog->sbSwitch->popup());
                faults << clippedCaptions(dialog->sbSwitch->popup(), QStringLiteral("refused switch of ND1"));
                QTest::mouseRelease(dialog->sbSwitch, Qt::LeftButton);
            }
            dialog->hide();
        }
        vacuumScreen->onUserChanged(0);
        const QList<Opening> modes{
            {"Numpad", vacuumScreen->sbVacAdjust, QStringLiteral("setup code")},
            {"Confirm", vacuumScreen->sbVacPrepare, QStringLiteral("algorithm question")},
        };
        for (const Opening& opening : modes) {
            ModalDriver driver;
            driver.next(QString::fromLatin1(opening.dialog), measureAndClose(&faults, opening.where));
            QTest::mouseClick(opening.opener, Qt::LeftButton);
            QVERIFY2(driver.done(), opening.dialog);
        }

        for (const QString& complaint : complaints.take())
            faults << QStringLiteral("main window or a dialog: style sheet: ") + complaint;
        QVERIFY2(faults.isEmpty(), report(faults).constData());
    }

    // The weld program editor with a contour: each of its pages, and every number pad, question
    // and dialog that its buttons, labels and cells open, with the titles the editor gives them.
    void editorWindows()
    {
        DriveSimulator drive;
        QVERIFY(drive.start(m_ports[0], m_ports[1]));
        Gui gui;
        QVERIFY(shownConnected(gui));
        CONTOUR* c = gui.contour;
        c->onUserChanged(0);
        ContourSnapshot closed = ContourSamples::linear();
        closed.ring = true;
        closed.tech.insert(2, ContourSamples::point(10, 50, 600));
        QVERIFY(loadContour(*c, closed));
        c->teGcode->setPlainText(QStringLiteral("N1 $1\nN2 M30"));

        QStringList faults;
        for (int tab = 0; tab < c->count(); ++tab) {
            c->setCurrentIndex(tab);
            faults << clippedCaptions(&gui, QStringLiteral("editor page ") + c->tabText(tab));
        }
        c->setCurrentIndex(0);
        c->twContour->setCurrentCell(0, 0);

        struct Opening {
            const char* dialog;
            std::function<void()> open;
            QString where;
        };
        const auto cell = [c](int row, int column) {
            return [c, row, column] { emit c->twTechTab->cellClicked(row, column); };
        };
        const QList<Opening> openings{
            {"Numpad", [c] { c->on_nrings_clicked(); }, QStringLiteral("passes pad")},
            {"Numpad", [c] { c->on_contourSpeed_clicked(); }, QStringLiteral("travel speed pad")},
            {"Numpad", [c] { c->on_weldSpeed_clicked(); }, QStringLiteral("weld speed pad")},
            {"Numpad", cell(2, 0), QStringLiteral("path pad")},
            {"Numpad", cell(2, 1), QStringLiteral("beam current pad")},
            {"Numpad", cell(2, 2), QStringLiteral("focus current pad")},
            {"Numpad", cell(2, 3), QStringLiteral("X deflection pad")},
            {"Numpad", cell(2, 4), QStringLiteral("Y deflection pad")},
            {"Numpad", cell(2, 5), QStringLiteral("speed pad")},
            {"TRSelect", cell(3, 6), QStringLiteral("sweep")},
            {"Confirm", [c] { c->on_pbDel_clicked(); }, QStringLiteral("delete question")},
            {"ContourParams", [c] { emit c->twContour->cellClicked(0, 3); }, QStringLiteral("frame parameters")},
            {"TechSettings", [c] { c->on_pbSettings_clicked(); }, QStringLiteral("contour settings")},
            {"AddContourPoint", [c] { c->on_pbAddTechPoint_clicked(); }, QStringLiteral("add contour point")},
            {"LinWeld", [c] { TechDialogs::runTemplate(*c, c->pbTemplate, false, {}); }, QStringLiteral("linear weld")},
            {"LinTackWelds", [c] { TechDialogs::runTemplate(*c, c->pbTemplate, true, {}); },
             QStringLiteral("linear tacks")},
            {"FileManager", [c] { c->on_pbPrgOpen_1_clicked(); }, QStringLiteral("channel program open")},
            {"FileManager", [c] { c->on_pbPrgSave_3_clicked(); }, QStringLiteral("channel program save")},
        };
        for (const Opening& opening : openings) {
            ModalDriver driver;
            driver.next(QString::fromLatin1(opening.dialog), measureAndClose(&faults, opening.where));
            opening.open();
            QVERIFY2(driver.done(), qPrintable(opening.where));
        }
        // The circular templates, for a scheme with a diameter.
        QVERIFY(loadContour(*c, ContourSamples::circular()));
        for (bool tacks : {false, true}) {
            ModalDriver driver;
            driver.next(tacks ? "CircleTackWelds" : "CircleWeld", measureAndClose(&faults, QStringLiteral("circular template")));
            TechDialogs::runTemplate(*c, c->pbTemplate, tacks, {});
            QVERIFY(driver.done());
        }
        QVERIFY2(faults.isEmpty(), report(faults).constData());
    }

    // What no button of the main window opens yet: the power-off countdown and the alarm box.
    void otherWindows()
    {
        QStringList faults;
        {
            TCPthread link;
            SystemOff countdown(&link, nullptr);
            countdown.show();
            faults << clippedCaptions(&countdown, QStringLiteral("power-off countdown"));
        }
        {
            // The alarm box runs itself from its constructor.
            ModalDriver driver;
            driver.next("AlarmDialog", measureAndClose(&faults, QStringLiteral("alarm")));
            AlarmDialog alarm(QStringLiteral("Авария вакуумной системы"), nullptr);
            QVERIFY(driver.done());
        }
        QVERIFY2(faults.isEmpty(), report(faults).constData());
    }
};

POKAVRO_TEST_MAIN(TestCaptions)
#include "tst_captions.moc"
