// The operator log of what the controllers report, in the whole console: around a lost link
// (against the simulated controllers) the loss and the return of each link said once, and after
// the return only what changed meanwhile; and while the GUI thread stalls for a moment (a large
// contour opening, say) and a controller streams a thousand datagrams a second with its moving
// values, every change of state reported meanwhile still reaches the log, the alarm list and the
// controller, in order, once the GUI thread goes on.

#include <QListWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <functional>
#include <memory>
#include <thread>

#include "comm.h"
#include "datagramflood.h"
#include "drivesim.h"
#include "drivestatus.h"
#include "gui.h"
#include "kvs.h"
#include "kvspackets.h"
#include "message.h"
#include "messageserver.h"
#include "operatorlines.h"
#include "testenv.h"
#include "vacuummimic.h"
#include "vacuumsim.h"

namespace {

QStringList sorted(QStringList lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A controller's status stream from a thread of its own, one datagram per millisecond: datagram
// n is make(n). A thread that a loaded machine let run late goes on at its pace from then on, as
// a controller's clock does, instead of sending what it missed in one burst (which the console's
// socket, while its own thread waits for a core, may not have room for).
class PacedStream
{
public:
    PacedStream(quint16 port, std::function<QByteArray(int)> make)
        : m_thread([this, port, make] { run(port, make); })
    {
    }
    ~PacedStream()
    {
        m_stop = true;
        m_thread.join();
    }
    int sent() const { return m_sent.load(); }

private:
    void run(quint16 port, const std::function<QByteArray(int)>& make)
    {
        auto next = std::chrono::steady_clock::now();
        for (int n = 0; !m_stop; ++n) {
            std::this_thread::sleep_until(next);
            next = std::max(next, std::chrono::steady_clock::now() - std::chrono::milliseconds(2))
                   + std::chrono::milliseconds(1);
            sendDatagramFrom(QByteArray(), port, make(n));
            m_sent = n + 1;
        }
    }

    std::atomic<bool> m_stop{false};
    std::atomic<int> m_sent{0};
    std::thread m_thread;
};

// The command side of a controller: takes the console's connection on the controller's port and
// reads the text frames it sends.
class CommandPeer
{
public:
    bool listen(quint16 port) { return m_server.listen(QHostAddress::LocalHost, port); }
    // The texts received so far (this thread's events carry them in).
    QStringList texts()
    {
        if (!m_socket && m_server.hasPendingConnections())
            m_socket = m_server.nextPendingConnection();
        if (m_socket)
            m_buffer += m_socket->readAll();
        while (m_buffer.size() >= LinkFrame::HeaderSize) {
            const int length = LinkFrame::parseHeader(m_buffer.constData()).length;
            if (m_buffer.size() < LinkFrame::HeaderSize + length)
                break;
            m_texts << QString::fromUtf8(m_buffer.mid(LinkFrame::HeaderSize, length));
            m_buffer.remove(0, LinkFrame::HeaderSize + length);
        }
        return m_texts;
    }

private:
    QTcpServer m_server;
    QTcpSocket* m_socket = nullptr;
    QByteArray m_buffer;
    QStringList m_texts;
};

// The whole console with one controller that takes the console's commands and streams its
// status a thousand times a second from a thread of its own: datagram n is status(n, at), where
// `at` is the datagram at which the controller's script starts (none before stall()).
struct StallingConsole {
    Gui gui;
    OperatorLines log{gui.operatorLog().fileName()};
    CommandPeer peer;
    std::atomic<int> at{INT_MAX};
    std::unique_ptr<PacedStream> stream;

    // Listens on the controller's TCP port and streams to the console's UDP port; true once the
    // log has the line `first` (the controller's status is in) and a moment more has passed.
    bool start(quint16 tcpPort, quint16 udpPort, std::function<QByteArray(int, int)> status, const QString& first)
    {
        if (!peer.listen(tcpPort))
            return false;
        stream = std::make_unique<PacedStream>(udpPort, [this, status](int n) { return status(n, at.load()); });
        if (!QTest::qWaitFor([&] { return log.all().contains(first); }, 10000))
            return false;
        QTest::qWait(200);
        log.skip();
        return true;
    }

    // Starts the script 20 datagrams from now and holds the GUI thread until `script` datagrams
    // and 40 more have gone.
    bool stall(int script)
    {
        at = stream->sent() + 20;
        return hold([this, script] { return stream->sent() >= at + script + 40; });
    }

    // Holds the GUI thread (no event is processed) for 300 ms at least and until done(); false
    // when that takes longer than a generous bound.
    static bool hold(const std::function<bool()>& done)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 300 || !done()) {
            if (clock.elapsed() > 20000)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
};

// The drive controller's status at datagram n: drives on and every supply in order, channels
// idle, every axis moving; from datagram `at` on, channel 1 runs (3), fails (6) and is idle again
// (1), the emergency stop of the operator's desk is pressed and released, and message word 0
// goes 0 -> 101 -> 102, one step every 20 datagrams.
DriveStatusPacket driveStatus(int n, int at)
{
    DriveStatusPacket p = DriveStatus::blank();
    p.keyAccess = 1;
    p.drivesOn = 1;
    p.drivesPower = 1;
    p.spiralPower = 1;
    p.drivePowerState = 0x7ff;
    for (quint32& state : p.channelState)
        state = 1;
    for (int axis = 0; axis < DriveStatusPacket::AxisCount; ++axis)
        p.position[axis] = float(axis * 100) + float(n) * 0.01f;
    const int k = n - at;
    if (k >= 20)
        p.channelState[0] = 3;
    if (k >= 40 && k < 100)
        p.alarmState = 1;
    if (k >= 60)
        p.message[0] = 101;
    if (k >= 80)
        p.channelState[0] = 6;
    if (k >= 120)
        p.message[0] = 102;
    if (k >= 140)
        p.channelState[0] = 1;
    return p;
}
constexpr int kDriveScript = 140;

// The vacuum-system controller's status at datagram n: pump NL1 on, every gauge, temperature and
// flow changing with every datagram; from datagram `at` on NL1 reports an error (4) for 40
// datagrams and is on again.
KvsStatusPacket vacuumStatus(int n, int at)
{
    KvsStatusPacket p{};
    p.signature = 0x5650;
    p.NL1State = (n - at >= 20 && n - at < 60) ? 4 : 1;
    const double f = 1.0 + double(n % 1000) * 0.001;
    p.PT1 = 1e-3 * f;
    p.PT2 = 2e-3 * f;
    p.PT3 = 3e-3 * f;
    p.TempCorpND = p.TempOilND = float(20 * f);
    for (float* value : {&p.Temp1, &p.Temp2, &p.Temp3, &p.Temp4, &p.Temp5, &p.Temp6, &p.Temp7, &p.Temp8,
                         &p.Disch1, &p.Disch2, &p.Disch3, &p.Disch4, &p.Disch5, &p.Disch6, &p.Disch7, &p.Disch8})
        *value = float(10 * f);
    return p;
}
constexpr int kVacuumScript = 60;

// The lines of `lines` that are among `wanted`, in their order.
QStringList among(const QStringList& lines, const QStringList& wanted)
{
    QStringList found;
    for (const QString& line : lines)
        if (wanted.contains(line))
            found << line;
    return found;
}

// The lines the log gets from now on until all of `wanted` are among them (a bounded wait).
QStringList linesUntil(OperatorLines& log, const QStringList& wanted)
{
    QStringList lines;
    if (!QTest::qWaitFor([&] { return among(lines += log.fresh(), wanted).size() >= wanted.size(); }, 5000))
        qWarning("not every line came");
    return lines;
}

}  // namespace

class TestLinkLog : public QObject
{
    Q_OBJECT

    std::unique_ptr<RecordingBoxes> m_boxes;
    QList<quint16> m_ports;

private slots:
    void init()
    {
        m_ports = TestEnv::prepareConsole();
        m_boxes = std::make_unique<RecordingBoxes>();
    }
    void cleanup() { m_boxes.reset(); }

    // All three streams stop for three seconds (the console tries to reconnect meanwhile): one
    // "[W]" line per link, on screen too; when they return one "[I]" line each, and of the 34
    // states the controllers report again only the two that changed meanwhile.
    void lostAndRestored()
    {
        Gui gui;
        OperatorLines log(gui.operatorLog().fileName());
        DriveSimulator drive;
        VacuumSimulator vacuum;
        QVERIFY(drive.start(m_ports[0], m_ports[1]));
        QVERIFY(vacuum.start(m_ports[2], m_ports[3], m_ports[4], m_ports[5]));
        const auto known = [&gui](bool yes) {
            return gui.drives()->statusKnown() == yes && gui.kvs->kvs()->statusKnown() == yes &&
                   gui.kvs->kvk()->statusKnown() == yes;
        };
        QVERIFY(QTest::qWaitFor([&] { return known(true); }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return log.all().contains(QStringLiteral("[I]Канал 3: бездействие")); }, 3000));
        QTest::qWait(300);
        QVERIFY(!log.fresh().filter(QStringLiteral("насос NL1")).isEmpty());

        drive.pauseStream();
        vacuum.pauseStream(VacuumSimulator::Kvs);
        vacuum.pauseStream(VacuumSimulator::Kvk);
        QVERIFY(QTest::qWaitFor([&] { return known(false); }, 5000));
        QTest::qWait(3000);
        const QStringList lost{"[W]Потеряна связь с КВК", "[W]Потеряна связь с КВС", "[W]Потеряна связь с ЧПУ"};
        QCOMPARE(sorted(log.fresh()), lost);
        QStringList shown;
        for (int i = gui.lwLog->count() - 3; i < gui.lwLog->count(); ++i)
            shown << QStringLiteral("[W]") + gui.lwLog->item(i)->text().mid(11);
        QCOMPARE(sorted(shown), lost);

        drive.status().doorState = 1;
        vacuum.setState(QStringLiteral("NL1"), 1);
        drive.resumeStream();
        vacuum.resumeStream(VacuumSimulator::Kvs);
        vacuum.resumeStream(VacuumSimulator::Kvk);
        QVERIFY(QTest::qWaitFor([&] { return known(true); }, 5000));
        QTest::qWait(500);
        QCOMPARE(sorted(log.fresh()),
                 (QStringList{"[I]Дверь открыта", "[I]Связь с КВК восстановлена", "[I]Связь с КВС восстановлена",
                              "[I]Связь с ЧПУ восстановлена", "[I]Форвакуумный насос NL1 включен"}));
    }

    // The drive controller's channel, alarm bit and message word change while the GUI thread is
    // held and the axes move: each line comes, in order, the alarm goes into the alarm list (and
    // out again) and the buzzer sounds once.
    void driveChangesWhileStalled()
    {
        StallingConsole console;
        QVERIFY(console.start(m_ports[0], m_ports[1],
                              [](int n, int at) { return DriveStatus::encode(driveStatus(n, at)); },
                              QStringLiteral("[I]Канал 1: бездействие")));
        const int commandsBefore = console.peer.texts().size();
        QList<int> added;
        connect(console.gui.messageServer(), &CMessageServer::sigAddMessage, this,
                [&](CMessage* m) { added << m->numId(); });
        QVERIFY(console.stall(kDriveScript));

        const QStringList expected{
            QStringLiteral("[C]Канал 1: выполнение автоматической программы"),
            QStringLiteral("[A]Нажата кнопка аварийного останова на пульте оператора!"),
            QStringLiteral("[W]TRV18: Отключение приводов: нет разрешения по датчику вакуума"),
            QStringLiteral("[A]Канал 1: ошибка в канале"),
            QStringLiteral("[W]TRV18: Отключение приводов: команда от контроллера вакуумной системы"),
            QStringLiteral("[I]Канал 1: бездействие"),
        };
        const QStringList lines = linesUntil(console.log, expected);
        QCOMPARE(among(lines, expected), expected);
        QCOMPARE(added, QList<int>{3});
        QCOMPARE(console.gui.messageServer()->getMessageIndex(3), -1);
        QVERIFY(QTest::qWaitFor([&] { return console.peer.texts().size() > commandsBefore; }, 3000));
        QTest::qWait(200);
        QCOMPARE(console.peer.texts().mid(commandsBefore), QStringList{QStringLiteral("ZOOMMER")});
        QVERIFY(lines.filter(QStringLiteral("слишком часто")).isEmpty());
    }

    // A peer far faster than any controller: while the GUI thread is held, it changes its
    // limits, modes and counters far more often than changes may wait. One "[W]" line says how
    // many were dropped, and the window still ends at the controller's latest state.
    void hostileFloodIsSaidOnce()
    {
        StallingConsole console;
        QVERIFY(console.start(m_ports[0], m_ports[1],
                              [](int n, int at) { return DriveStatus::encode(driveStatus(n, at)); },
                              QStringLiteral("[I]Канал 1: бездействие")));
        QList<QByteArray> turns;
        for (const quint32 v : {1u, 5u}) {
            DriveStatusPacket status = driveStatus(0, INT_MAX);
            for (int i = 0; i < DriveStatusPacket::LimitCount; ++i) {
                status.minLimit[i] = -float(v + i);
                status.maxLimit[i] = float(v + i);
            }
            for (quint32& mode : status.channelMode)
                mode = v;
            status.pointNo = v;
            status.virtualState = v % 4;
            turns << DriveStatus::encode(status);  // 27 state changes from the other turn
        }
        const int stateBound = StatusQueue<DriveStatus::Change>::StateBound;
        {
            // Three seconds of it: even a slow machine takes far more changes than may wait.
            DatagramFlood flood(m_ports[1], turns, {1, 30000, QByteArray()});
            QElapsedTimer clock;
            clock.start();
            QVERIFY(StallingConsole::hold([&] { return clock.elapsed() >= 3000; }));
            flood.stop();
            QVERIFY2(flood.sent() > quint64(10 * stateBound / 27), QByteArray::number(flood.sent()));
        }

        const QString dropped = QStringLiteral("[W]Изменения состояния от ЧПУ приходили слишком часто, пропущено: ");
        QStringList lines;
        QVERIFY(QTest::qWaitFor([&] { return !(lines += console.log.fresh()).filter(dropped).isEmpty(); }, 10000));
        QTest::qWait(StatusQueue<DriveStatus::Change>::DropReportMs + 500);
        lines += console.log.fresh();
        const QStringList said = lines.filter(dropped);
        QCOMPARE(said.size(), 1);
        QVERIFY2(said.first().mid(dropped.size()).toInt() > 0, qPrintable(said.first()));
        // The paced stream's modes once the flood is over.
        QVERIFY(QTest::qWaitFor([&] { return console.gui.channel1Mode->text() == QStringLiteral("0"); }, 5000));
    }

    // A pump's error and its return while the GUI thread is held and the gauges change with
    // every datagram: both lines come, in order.
    void vacuumErrorWhileStalled()
    {
        StallingConsole console;
        const QString on = VacuumMimic::pumpStateText(1, QStringLiteral("Форвакуумный насос"), QStringLiteral("NL1"));
        QVERIFY(console.start(m_ports[2], m_ports[3],
                              [](int n, int at) { return VacuumStatus::encode(vacuumStatus(n, at)); }, on));
        QVERIFY(console.stall(kVacuumScript));

        const QStringList expected{QStringLiteral("[W]Форвакуумный насос NL1 - ошибка!"), on};
        const QStringList lines = linesUntil(console.log, expected);
        QCOMPARE(among(lines, expected), expected);
        QVERIFY(lines.filter(QStringLiteral("слишком часто")).isEmpty());
    }
};

POKAVRO_TEST_MAIN(TestLinkLog)
#include "tst_linklog.moc"
