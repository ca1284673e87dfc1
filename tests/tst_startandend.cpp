// The start and the end of the whole console: what its operator log holds from the first moment,
// also when a box stops the start, and how it ends.

#include <QDir>
#include <QFile>
#include <QtTest>

#include <memory>

#include "contour.h"
#include "drivesim.h"
#include "fixedpaths.h"
#include "gui.h"
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
            {"users file", true, QByteArray::fromHex("a0f40000"), QString()},
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
};

POKAVRO_TEST_MAIN(TestStartAndEnd)
#include "tst_startandend.moc"
