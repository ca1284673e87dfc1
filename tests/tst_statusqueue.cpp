// The hand-over of status changes from a receiver thread to its link: order, which values may be
// replaced while they wait and how long they may be held, one event per wake-up, a bounded share
// per event, the latest value per field once far too many state changes wait (and the count of
// those dropped), and delivery from a nested event loop.

#include <QtTest>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <thread>

#include "statusqueue.h"
#include "testenv.h"

namespace {

// Field 0 ("s") and field 2 ("t") are state words, field 1 ("d") a display value.
struct Change {
    int index;
    int value;
};

Change state(int v) { return {0, v}; }
Change shown(int v) { return {1, v}; }
Change other(int v) { return {2, v}; }

using Queue = StatusQueue<Change>;

class Target : public QObject
{
public:
    explicit Target(int holdMs = 0) : queue(std::vector<bool>{false, true, false}, holdMs) {}

    Queue queue;
    QStringList taken;
    QList<int> dropped;  // the counts reported
    int events = 0;
    std::function<void(const Change&)> onTake;

    void push(std::initializer_list<Change> changes) { queue.push(this, changes.begin(), int(changes.size())); }

    bool event(QEvent* e) override
    {
        if (e->type() != statusEventType())
            return QObject::event(e);
        ++events;
        queue.deliver(
            [this](const Change& c) {
                taken << QStringLiteral("%1%2").arg(QLatin1Char("sdt"[c.index])).arg(c.value);
                if (onTake)
                    onTake(c);
            },
            [this](int count) { dropped << count; });
        return true;
    }
};

// Posted behind the status event: notes how many changes had been taken when its turn came.
class Marker : public QObject
{
public:
    explicit Marker(const Target& t) : target(t) {}
    void post() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        takenBefore = target.taken.size();
        return true;
    }
    const Target& target;
    int takenBefore = -1;
};

// Pushes `count` state changes 1..count in one datagram each.
void pushStates(Target& t, int count)
{
    for (int i = 1; i <= count; ++i)
        t.push({state(i)});
}

QStringList states(int count)
{
    QStringList list;
    for (int i = 1; i <= count; ++i)
        list << QStringLiteral("s%1").arg(i);
    return list;
}

}  // namespace

class TestStatusQueue : public QObject
{
    Q_OBJECT

private slots:
    // Every state value is delivered in order. A display value that still waits gives way to the
    // newer one, which takes the place of its own change, so it never overtakes an older change
    // of another field; one that has been delivered is not replaced. Rounds are separated by "/"
    // (the GUI thread's turn), datagrams by "|".
    void orderAndReplacement_data()
    {
        QTest::addColumn<QString>("pushes");
        QTest::addColumn<QString>("delivered");
        QTest::newRow("replaced coordinate after an older state") << "d10 s3 | d20 s2" << "s3 d20 s2";
        QTest::newRow("replaced twice") << "s1 d10 | s2 d11 | d12" << "s1 s2 d12";
        QTest::newRow("replaced, then a state") << "s3 | d13 | s4 d14 | s5" << "s3 s4 d14 s5";
        QTest::newRow("delivered value stays delivered") << "s1 d10 | d11 / d12 s2" << "s1 d11 d12 s2";
        QTest::newRow("two fields") << "s1 t1 d1 | t2 d2 | s2" << "s1 t1 t2 d2 s2";
    }
    void orderAndReplacement()
    {
        QFETCH(QString, pushes);
        QFETCH(QString, delivered);
        Target t;
        for (const QString& round : pushes.split(QLatin1Char('/'))) {
            for (const QString& datagram : round.split(QLatin1Char('|'))) {
                std::vector<Change> changes;
                for (const QString& c : datagram.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                    changes.push_back({int(QByteArray("sdt").indexOf(c.at(0).toLatin1())), c.mid(1).toInt()});
                t.queue.push(&t, changes.data(), int(changes.size()));
            }
            // A turn's share is also bounded in time, which a loaded machine may spend on one
            // change: the round ends once everything is delivered.
            for (int turn = 0; turn < 100 && t.queue.held() > 0; ++turn)
                QCoreApplication::processEvents();
        }
        QCOMPARE(t.taken.join(QLatin1Char(' ')), delivered);
    }

    // Up to the bound every state change waits in order; past it only the latest value of each
    // field is kept, in the order in which the fields last changed, however many changes came,
    // and the state changes so dropped are reported once the GUI thread has caught up. Then every
    // change is kept again.
    void pastTheBoundTheLatestPerField()
    {
        Target t;
        pushStates(t, Queue::StateBound);
        QTRY_COMPARE(t.taken.size(), Queue::StateBound);
        QCOMPARE(t.taken, states(Queue::StateBound));
        QCOMPARE(t.dropped, QList<int>());

        t.taken.clear();
        for (int i = 1; i <= 100000; ++i)
            t.push({state(i), other(i)});
        t.push({shown(5)});
        t.push({state(100001)});
        QTRY_COMPARE(t.taken, (QStringList{"t100000", "d5", "s100001"}));
        QCOMPARE(t.dropped, QList<int>{200001 - 2});

        t.taken.clear();
        pushStates(t, 3);
        QTRY_COMPARE(t.taken, states(3));
        QCOMPARE(t.dropped.size(), 1);
    }

    // A display value that gives way to a newer one leaves no waiting change behind: however
    // long the GUI thread is held up while an axis moves, every state change that comes between
    // its values is kept in order, up to the bound, and what the queue holds stays in proportion
    // to what waits.
    void replacedValuesCountTowardsNoBound_data()
    {
        QTest::addColumn<int>("datagrams");
        QTest::addColumn<int>("stateEvery");  // a state change with every n-th datagram (0: none)
        QTest::newRow("moving axis alone") << 300000 << 0;
        QTest::newRow("moving axis, a state now and then") << 300000 << 100;
        QTest::newRow("moving axis, states up to the bound") << Queue::StateBound << 1;
    }
    void replacedValuesCountTowardsNoBound()
    {
        QFETCH(int, datagrams);
        QFETCH(int, stateEvery);
        Target t;
        int pushed = 0;
        int mostHeld = 0;
        for (int i = 1; i <= datagrams; ++i) {
            if (stateEvery > 0 && i % stateEvery == 0)
                t.push({shown(i), state(++pushed)});
            else
                t.push({shown(i)});
            mostHeld = std::max(mostHeld, t.queue.held());
        }
        QVERIFY2(mostHeld <= 2 * pushed + 1000, QByteArray::number(mostHeld));
        QTRY_COMPARE(t.taken.filter(QRegularExpression(QStringLiteral("^s"))).size(), pushed);
        QTRY_VERIFY(t.taken.contains(QStringLiteral("d%1").arg(datagrams)));
        QCOMPARE(t.taken.filter(QRegularExpression(QStringLiteral("^s"))), states(pushed));
        QCOMPARE(t.dropped, QList<int>());
        // The values shown between two states are the latest before the second, in order.
        int last = 0;
        for (const QString& c : qAsConst(t.taken)) {
            if (c.startsWith(QLatin1Char('d'))) {
                QVERIFY2(c.mid(1).toInt() > last, qPrintable(c));
                last = c.mid(1).toInt();
            }
        }
    }

    // A peer far ahead of the GUI thread, again and again: each flood's dropped state changes
    // are reported, the first at once, any further one no sooner than DropReportMs after the one
    // before (it goes with a later datagram), and with the flush when the link ends, whatever
    // the time. Display values alone never count as dropped.
    void droppedChangesAreReported()
    {
        Target t;
        QElapsedTimer clock;
        clock.start();
        QList<qint64> reportedAt;
        const int flood = Queue::StateBound + 100;

        for (int i = 1; i <= 2 * Queue::StateBound; ++i)
            t.push({shown(i)});
        QTRY_COMPARE(t.taken, QStringList{QStringLiteral("d%1").arg(2 * Queue::StateBound)});
        QCOMPARE(t.dropped, QList<int>());

        t.taken.clear();
        pushStates(t, flood);
        QTRY_COMPARE(t.dropped, QList<int>{flood - 1});
        reportedAt << clock.elapsed();
        QCOMPARE(t.taken, QStringList{QStringLiteral("s%1").arg(flood)});

        pushStates(t, flood);
        QVERIFY(QTest::qWaitFor(
            [&] {
                t.push({});  // a datagram without changes
                return t.dropped.size() == 2;
            },
            5000));
        reportedAt << clock.elapsed();
        QCOMPARE(t.dropped.last(), flood - 1);
        QVERIFY2(reportedAt[1] - reportedAt[0] >= Queue::DropReportMs / 2, QByteArray::number(reportedAt[1] - reportedAt[0]));

        pushStates(t, flood);
        t.queue.flush(&t);
        QCoreApplication::processEvents();
        QCOMPARE(t.dropped, (QList<int>{flood - 1, flood - 1, flood - 1}));
    }

    // A backlog is handed over in shares: what else waits for the GUI thread (input, timers,
    // painting) comes between two shares, whether the changes are many or their slots slow; a
    // datagram's changes always come in one share, however many; all of them arrive in the end,
    // in order.
    void backlogYieldsToTheEventLoop_data()
    {
        QTest::addColumn<int>("datagrams");
        QTest::addColumn<int>("perDatagram");
        QTest::addColumn<int>("slotUs");
        QTest::newRow("many changes") << Queue::StateBound << 1 << 0;
        QTest::newRow("slow slots") << 200 << 1 << 1000;
        QTest::newRow("long datagrams") << 3 << Queue::TurnChanges + 44 << 0;
        QTest::newRow("long datagrams, slow slots") << 5 << 20 << 1000;
    }
    void backlogYieldsToTheEventLoop()
    {
        QFETCH(int, datagrams);
        QFETCH(int, perDatagram);
        QFETCH(int, slotUs);
        Target t;
        t.onTake = [slotUs](const Change&) { std::this_thread::sleep_for(std::chrono::microseconds(slotUs)); };
        Marker marker(t);
        std::vector<Change> datagram(static_cast<size_t>(perDatagram));
        for (int d = 0; d < datagrams; ++d) {
            for (int i = 0; i < perDatagram; ++i)
                datagram[size_t(i)] = state(d * perDatagram + i + 1);
            t.queue.push(&t, datagram.data(), perDatagram);
        }
        marker.post();
        const int count = datagrams * perDatagram;
        QTRY_COMPARE(t.taken.size(), count);
        QCOMPARE(t.taken, states(count));
        QVERIFY2(marker.takenBefore > 0 && marker.takenBefore <= count / 2, QByteArray::number(marker.takenBefore));
        QCOMPARE(marker.takenBefore % perDatagram, 0);
    }

    // When the link ends, everything that waits is delivered before what is posted after the
    // flush (the link's disconnected()), in one go.
    void flushDeliversAllBeforeWhatFollows()
    {
        Target t;
        Marker marker(t);
        pushStates(t, Queue::StateBound);
        t.queue.flush(&t);
        marker.post();
        QTRY_COMPARE(marker.takenBefore, Queue::StateBound);
        QCOMPARE(t.taken, states(Queue::StateBound));
    }

    // One event for all that gathers before the target's thread gets to it; none while nothing
    // waits.
    void oneEventPerWakeUp()
    {
        Target t;
        t.push({});
        QCoreApplication::processEvents();
        QCOMPARE(t.events, 0);
        for (int i = 0; i < 5; ++i)
            t.push({state(i)});
        QCoreApplication::processEvents();
        QCOMPARE(t.events, 1);
        QCOMPARE(t.taken.size(), 5);
        t.push({state(9)});
        t.queue.flush(&t);
        QCoreApplication::processEvents();
        QCOMPARE(t.events, 2);
        QCOMPARE(t.taken.last(), QStringLiteral("s9"));
        t.queue.flush(&t);
        QCoreApplication::processEvents();
        QCOMPARE(t.events, 2);
    }

    // Display values alone go on no sooner than the hold time after the previous hand-over (the
    // newest in place of the waiting one); any other change goes at once and takes them along;
    // a flush takes them whatever the time.
    void displayValuesWaitTheirHold()
    {
        const int holdMs = 300;
        Target t(holdMs);
        t.push({shown(1)});
        QCoreApplication::processEvents();
        QCOMPARE(t.taken, QStringList{"d1"});

        t.push({shown(2)});
        t.push({shown(3)});
        QCoreApplication::processEvents();
        QCOMPARE(t.taken.size(), 1);
        t.push({state(5)});
        QCoreApplication::processEvents();
        QCOMPARE(t.taken, (QStringList{"d1", "d3", "s5"}));

        t.push({shown(6)});
        QCoreApplication::processEvents();
        QCOMPARE(t.taken.size(), 3);
        QTest::qWait(holdMs + 50);
        t.push({});  // a datagram without changes, or a quiet turn
        QCoreApplication::processEvents();
        QCOMPARE(t.taken.last(), QStringLiteral("d6"));

        t.push({shown(7)});
        t.queue.flush(&t);
        QCoreApplication::processEvents();
        QCOMPARE(t.taken.last(), QStringLiteral("d7"));
        QCOMPARE(t.events, 4);
    }

    // A slot that runs a nested event loop: what the outer delivery has not yet handed on comes
    // first, then what arrived meanwhile, and the outer delivery finds nothing left. A datagram
    // without changes is enough to get the rest moving.
    void nestedEventLoop()
    {
        Target t;
        t.onTake = [&](const Change& c) {
            if (c.index == 0 && c.value == 1) {
                t.push({});
                QCoreApplication::processEvents();
                t.push({state(9)});
                QCoreApplication::processEvents();
            }
        };
        t.push({state(1), state(2), state(3)});
        QCoreApplication::processEvents();
        QCOMPARE(t.taken, (QStringList{"s1", "s2", "s3", "s9"}));
        QCOMPARE(t.events, 3);
    }
};

POKAVRO_TEST_MAIN(TestStatusQueue)
#include "tst_statusqueue.moc"
