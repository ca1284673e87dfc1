// The start and the end of the whole console: what its operator log holds from the first moment,
// also when a box stops the start, and how it ends.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

#include <signal.h>
#include <unistd.h>

#include "contour.h"
#include "drivesim.h"
#include "exitsignals.h"
#include "fixedpaths.h"
#include "gui.h"
#include "modaldriver.h"
#include "operatorlines.h"
#include "testenv.h"
#include "vacuumsim.h"

namespace {

// Boxes as the operator meets them: while one waits for its Ok the event loop runs, and whatever
// the controllers report meanwhile is delivered. This one stays open until both vacuum
// controllers have reported (bounded) and a little longer.
class WaitingBoxes final : public MessageBoxSink
{
public:
    WaitingBoxes() { MessageBoxSink::install(this); }
    ~WaitingBoxes() override { MessageBoxSink::install(nullptr); }

    QMessageBox::StandardButton show(QMessageBox::Icon, QWidget* parent, const QString&, const QString& text,
                                     QMessageBox::StandardButtons, QMessageBox::StandardButton) override
    {
        texts << text;
        const Gui* gui = qobject_cast<const Gui*>(parent);
        if (!gui || !gui->kvs)
            return QMessageBox::Ok;
        reported = QTest::qWaitFor(
            [gui] { return gui->kvs->kvs()->statusKnown() && gui->kvs->kvk()->statusKnown(); }, 5000);
        QTest::qWait(500);
        return QMessageBox::Ok;
    }

    QStringList texts;
    bool reported = false;  // the controllers reported while the box waited
};

// A contour for the editor to load at start; the autosave at exit writes it back as "contour".
const QByteArray kContour("Фланец\nXYZ\n-1 0 0\n0 -1\n0 1\n600\n1\n1.00 2.00 3.00 0 \n2\n"
                          "+ 0 0 700 0 0 600 2 \n+ 0 0 700 0 0 600 2 \n");

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The operator log files of the runs so far.
QStringList logFiles()
{
    QStringList files;
    QDirIterator it(FixedPaths::logDir(), {QStringLiteral("polog_*.log")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

QString exitLine(int signalNumber)
{
    return QStringLiteral("[I]Выполнен выход из программы автоматической сварки по сигналу ") +
           ExitSignals::name(signalNumber);
}

// A users file with no user of its own: the console starts without a box.
const QByteArray kUsers = QByteArray::fromHex("a0f40000");

// The signal at its default disposition while this lives, should this process have been started
// to ignore it (under nohup, or as a background job of a script): the console under test then
// takes it as one started from a terminal does. The ignoring is put back after.
class NotIgnored
{
public:
    explicit NotIgnored(int signalNumber) : m_signal(signalNumber)
    {
        struct sigaction current = {};
        m_wasIgnored = ::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
        if (m_wasIgnored)
            ::signal(signalNumber, SIG_DFL);
    }
    ~NotIgnored()
    {
        if (m_wasIgnored)
            ::signal(m_signal, SIG_IGN);
    }
    NotIgnored(const NotIgnored&) = delete;
    NotIgnored& operator=(const NotIgnored&) = delete;

private:
    const int m_signal;
    bool m_wasIgnored = false;
};

// The program started as from a terminal: the signals that end programs at their defaults,
// whatever this test process ignores.
class TerminalProcess final : public QProcess
{
protected:
    void setupChildProcess() override
    {
        for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT})
            ::signal(signalNumber, SIG_DFL);  // async-signal-safe, as the child needs
    }
};

struct UsersCase {
    const char* name;
    bool present;
    QByteArray bytes;
    QString box;  // the start's box, or empty
};

}  // namespace

class TestStartAndEnd : public QObject
{
    Q_OBJECT

    QList<quint16> m_ports;  // drive tcp, drive udp, kvs tcp, kvs udp, kvk tcp, kvk udp

    // A start of the console with the controllers streaming, then each link lost and back; the
    // operator log of the run, sorted (the links report on their own threads).
    QStringList runLog(const UsersCase& users, QStringList* boxes)
    {
        QDir(FixedPaths::logDir()).removeRecursively();
        QDir().mkpath(FixedPaths::logDir());
        QDir(CONTOUR::contourFolder()).removeRecursively();
        QFile::remove(FixedPaths::usersFile());
        if (users.present) {
            QFile file(FixedPaths::usersFile());
            if (!file.open(QIODevice::WriteOnly) || file.write(users.bytes) != users.bytes.size())
                return {QStringLiteral("<no users file>")};
        }

        DriveSimulator drive;
        VacuumSimulator vacuum;
        if (!drive.start(m_ports[0], m_ports[1]) || !vacuum.start(m_ports[2], m_ports[3], m_ports[4], m_ports[5]))
            return {QStringLiteral("<no simulator>")};
        WaitingBoxes sink;
        QString logFile;
        {
            Gui gui;
            *boxes = sink.texts;
            if (!sink.texts.isEmpty() && !sink.reported)
                return {QStringLiteral("<no status while the box waited>")};
            logFile = gui.operatorLog().fileName();
            OperatorLines log(logFile);
            auto logged = [&log](const QString& line) {
                return QTest::qWaitFor([&] { return log.all().contains(line); }, 5000);
            };
            const struct {
                QString name;
                std::function<void(bool)> stream;
            } links[] = {
                {gui.lblCNC->text(), [&drive](bool on) { on ? drive.resumeStream() : drive.pauseStream(); }},
                {gui.lblKVS->text(),
                 [&vacuum](bool on) {
                     on ? vacuum.resumeStream(VacuumSimulator::Kvs) : vacuum.pauseStream(VacuumSimulator::Kvs);
                 }},
                {gui.lblKVK->text(),
                 [&vacuum](bool on) {
                     on ? vacuum.resumeStream(VacuumSimulator::Kvk) : vacuum.pauseStream(VacuumSimulator::Kvk);
                 }},
            };
            if (!QTest::qWaitFor([&gui] { return gui.kvs->kvs()->statusKnown() && gui.kvs->kvk()->statusKnown()
                                                 && gui.drives()->statusKnown(); }, 5000))
                return {QStringLiteral("<no status>")};
            for (const auto& link : links) {
                link.stream(false);
                if (!logged(QStringLiteral("[W]Потеряна связь с ") + link.name))
                    return {QStringLiteral("<loss of %1 not logged>").arg(link.name)};
                link.stream(true);
                if (!logged(QStringLiteral("[I]Связь с %1 восстановлена").arg(link.name)))
                    return {QStringLiteral("<return of %1 not logged>").arg(link.name)};
            }
            QTest::qWait(300);
        }
        QStringList lines = OperatorLines(logFile).all();
        lines.sort();
        return lines;
    }

private slots:
    void init() { m_ports = TestEnv::prepareConsole(); }

    // However the start goes (a first start without users, a damaged users file), the operator
    // log holds what a plain start logs: the first state of every vacuum element, and the first
    // loss and return of each link. The box that says what is wrong with the users file waits for
    // the operator while the controllers report.
    void logCompleteAfterStartBox()
    {
        const UsersCase cases[] = {
            {"users file", true, kUsers, QString()},
            {"no users file", false, QByteArray(), QStringLiteral("Файл \"/home/oper/bin/users.bin\" не найден")},
            {"damaged users file", true, QByteArray("junk"),
             QStringLiteral("Ошибка чтения файла \"/home/oper/bin/users.bin\"")},
        };
        QStringList plain;
        for (const UsersCase& users : cases) {
            QStringList boxes;
            const QStringList lines = runLog(users, &boxes);
            QCOMPARE(boxes, users.box.isEmpty() ? QStringList() : QStringList{users.box});
            if (!users.box.isEmpty()) {
                QStringList missing = plain;
                QStringList extra;
                for (const QString& line : lines) {
                    if (!missing.removeOne(line))
                        extra << line;
                }
                QVERIFY2(lines == plain, qPrintable(QStringLiteral("%1: not in the plain start's log: %2; missing: %3")
                                                        .arg(QLatin1String(users.name), extra.join(QStringLiteral("; ")),
                                                             missing.join(QStringLiteral("; ")))));
                continue;
            }
            plain = lines;
            // The run logs the first state of every vacuum element (the door's among them) and
            // every link's loss and return.
            const QRegularExpression element(QStringLiteral(
                "^\\[I\\].* [A-ZА-Я0-9]+ (выключен|включен|закрыт|открыт|выключается|включается|закрывается|открывается)$"));
            QCOMPARE(lines.filter(element).size(), 17);
            QVERIFY(lines.contains(QStringLiteral("[I]Дверь закрыта")));
            for (const char* link : {"ЧПУ", "КВС", "КВК"}) {
                QVERIFY(lines.contains(QStringLiteral("[W]Потеряна связь с ") + QString::fromUtf8(link)));
                QVERIFY(lines.contains(QStringLiteral("[I]Связь с %1 восстановлена").arg(QString::fromUtf8(link))));
            }
        }
    }

    // A signal that ends programs ends the running console as its exit button does, without
    // asking: the exit button's own question, open at that moment, stays unanswered; the exit
    // line is logged once (more signals while the program ends change nothing); the power stays
    // on; and what the operator set is kept: the speeds, the weld speed, the contour.
    void runningConsoleEndsOnSignal_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void runningConsoleEndsOnSignal()
    {
        QFETCH(int, signalNumber);
        // A log file of its own (two windows within one second share one).
        QVERIFY(QDir(FixedPaths::logDir()).removeRecursively());
        QVERIFY(QDir().mkpath(FixedPaths::logDir()));
        const QString contourFile = CONTOUR::contourFolder() + QStringLiteral("contour.save");
        QVERIFY(writeFile(contourFile, kContour));
        QVERIFY(writeFile(FixedPaths::usersFile(), kUsers));
        RecordingRunner runner;
        RecordingBoxes boxes;
        const NotIgnored asFromATerminal(signalNumber);
        ExitSignals exitSignals;
        QVERIFY(exitSignals.catching());
        QString logFile;
        {
            Gui gui;
            logFile = gui.operatorLog().fileName();
            OperatorLines log(logFile);
            log.skip();
            connect(&exitSignals, &ExitSignals::caught, &gui, &Gui::leaveBySignal);
            gui.show();
            QVERIFY(QTest::qWaitForWindowExposed(&gui));
            gui.speedLX->setValue(1500, 0);
            gui.contour->weldSpeed->setValue(450, 0);

            ModalDriver driver;
            driver.next(QStringLiteral("Confirm"), [signalNumber](ModalDialog&) {
                // Two at once: the second comes while the first is being handled.
                ::kill(::getpid(), signalNumber);
                ::kill(::getpid(), signalNumber);
            });
            QCOMPARE(TestEnv::runLoop([&gui] { QTest::mouseClick(gui.pbCloseProgram, Qt::LeftButton); }), 0);
            QVERIFY(driver.done());
            // One more while the window is about to go.
            ::kill(::getpid(), signalNumber);
            QTest::qWait(100);
            QCOMPARE(exitSignals.caughtSignal(), signalNumber);
            QCOMPARE(log.fresh(), QStringList{exitLine(signalNumber)});
        }
        QVERIFY(runner.shellCommands.isEmpty());
        QVERIFY(boxes.boxes.isEmpty());
        const QSettings settings(FixedPaths::settingsFile(), QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("speedLX")).toInt(), 1500);
        QCOMPARE(settings.value(QStringLiteral("Contour/weldSpeed")).toInt(), 450);
        QVERIFY(readFile(contourFile).startsWith("contour\nXYZ\n"));
        const QStringList lines = OperatorLines(logFile).all();
        QCOMPARE(lines.count(exitLine(signalNumber)), 1);
        QVERIFY(lines.indexOf(QStringLiteral("[I]Контур сохранён в файле contour.save")) > lines.indexOf(exitLine(signalNumber)));
    }

#ifdef POKAVRO_BINARY
    // The program itself, ended by a signal as a shutdown, a closed terminal or Ctrl+C end it:
    // whether the login or the box about a missing users file waits, it logs its exit, writes
    // its settings, the contour and the users file, and ends normally with 0. It never asks to
    // switch the power off. Started to outlive its terminal (nohup), it does.
    void programEndsOnSignal_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("usersFile");
        QTest::addColumn<int>("times");
        QTest::addColumn<bool>("nohup");
        QTest::newRow("SIGTERM at the login") << int(SIGTERM) << true << 1 << false;
        QTest::newRow("SIGHUP at the login") << int(SIGHUP) << true << 1 << false;
        QTest::newRow("SIGINT at the login") << int(SIGINT) << true << 1 << false;
        QTest::newRow("SIGTERM twice") << int(SIGTERM) << true << 2 << false;
        QTest::newRow("SIGTERM over the users file's box") << int(SIGTERM) << false << 1 << false;
        QTest::newRow("SIGHUP ignored under nohup, then SIGTERM") << int(SIGTERM) << true << 1 << true;
    }
    void programEndsOnSignal()
    {
        QFETCH(int, signalNumber);
        QFETCH(bool, usersFile);
        QFETCH(int, times);
        QFETCH(bool, nohup);
        const QString nohupProgram = QStandardPaths::findExecutable(QStringLiteral("nohup"));
        if (nohup && nohupProgram.isEmpty())
            QSKIP("no nohup on this machine");
        QVERIFY(QDir(FixedPaths::logDir()).removeRecursively());
        QVERIFY(QDir().mkpath(FixedPaths::logDir()));
        QFile::remove(FixedPaths::usersFile());
        if (usersFile)
            QVERIFY(writeFile(FixedPaths::usersFile(), kUsers));
        const QString contourFile = FixedPaths::local(QFileInfo(QStringLiteral(POKAVRO_BINARY)).absolutePath()
                                                      + QStringLiteral("/contours/contour.save"));
        QVERIFY(writeFile(contourFile, kContour));
        QVERIFY(!QSettings(FixedPaths::settingsFile(), QSettings::IniFormat).contains(QStringLiteral("speedLX")));

        TerminalProcess console;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QTemporaryDir runtime(TestEnv::root() + QStringLiteral("/runtime-XXXXXX"));
        QVERIFY(runtime.isValid());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        console.setProcessEnvironment(env);
        if (nohup)
            console.start(nohupProgram, {QStringLiteral(POKAVRO_BINARY)});
        else
            console.start(QStringLiteral(POKAVRO_BINARY), QStringList());
        QVERIFY(console.waitForStarted(10000));
        // The window has been built as far as its log (the box comes after it), and the login or
        // the box waits.
        QVERIFY(QTest::qWaitFor([] { return !logFiles().isEmpty(); }, 30000));
        QTest::qWait(500);
        QCOMPARE(console.state(), QProcess::Running);
        if (nohup) {
            QCOMPARE(::kill(pid_t(console.processId()), SIGHUP), 0);
            QVERIFY(!console.waitForFinished(1000));
            QVERIFY(OperatorLines(logFiles().constFirst()).all().filter(QStringLiteral("Выполнен выход")).isEmpty());
        }
        for (int i = 0; i < times; ++i)
            QCOMPARE(::kill(pid_t(console.processId()), signalNumber), 0);
        const bool ended = console.waitForFinished(30000);
        if (!ended) {
            console.kill();
            console.waitForFinished(5000);
        }
        QVERIFY(ended);
        const QByteArray errors = console.readAllStandardError();
        QVERIFY2(console.exitStatus() == QProcess::NormalExit,
                 qPrintable(QStringLiteral("ended by signal %1").arg(console.exitCode())));
        QCOMPARE(console.exitCode(), 0);

        QCOMPARE(logFiles().size(), 1);
        const QStringList lines = OperatorLines(logFiles().constFirst()).all();
        QCOMPARE(lines.count(exitLine(signalNumber)), 1);
        QVERIFY(lines.contains(QStringLiteral("[I]Контур сохранён в файле contour.save")));
        QVERIFY(!lines.contains(QStringLiteral("[I]Завершение работы установки выполнено")));
        QVERIFY(!errors.contains("not running"));
        const QSettings settings(FixedPaths::settingsFile(), QSettings::IniFormat);
        QVERIFY(settings.contains(QStringLiteral("speedLX")));
        QVERIFY(settings.contains(QStringLiteral("Contour/weldSpeed")));
        QVERIFY(readFile(contourFile).startsWith("contour\nXYZ\n"));
        QVERIFY(QFile::exists(FixedPaths::usersFile()));
    }
#endif
};

POKAVRO_TEST_MAIN(TestStartAndEnd)
#include "tst_startandend.moc"
