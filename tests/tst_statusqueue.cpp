// The hand-over of status changes from a receiver thread to its link: order, which values may be
// replaced while they wait and how long they may be held, one event per wake-up, and delivery
// from a nested event loop.

#include <QtTest>

#include <functional>
#include <initializer_list>

#include "statusqueue.h"
#include "testenv.h"

namespace {

// Field 0 is a state word, field 1 a display value.
struct Change {
    int index;
    int value;
};

Change state(int v) { return {0, v}; }
Change shown(int v) { return {1, v}; }

class Target : public QObject
{
public:
    explicit Target(int holdMs = 0) : queue(std::vector<bool>{false, true}, holdMs) {}

    StatusQueue<Change> queue;
    QStringList taken;
    int events = 0;
    std::function<void(const Change&)> onTake;

    void push(std::initializer_list<Change> changes) { queue.push(this, changes.begin(), int(changes.size())); }

    bool event(QEvent* e) override
    {
        if (e->type() != statusEventType())
            return QObject::event(e);
        ++events;
        queue.deliver([this](const Change& c) {
            taken << QStringLiteral("%1%2").arg(c.index == 0 ? "s" : "d").arg(c.value);
            if (onTake)
                onTake(c);
        });
        return true;
    }
};

}  // namespace

class TestStatusQueue : public QObject
{
    Q_OBJECT

private slots:
    // Every state value is delivered in order; a display value that still waits takes the newer
    // value in its place, one that has been delivered does not.
    void orderAndReplacement()
    {
        Target t;
        t.push({state(1), shown(10)});
        t.push({state(2), shown(11)});
        t.push({shown(12)});
        QCoreApplication::processEvents();
        QCOMPARE(t.taken, (QStringList{"s1", "d12", "s2"}));

        t.taken.clear();
        t.push({state(3)});
        t.push({shown(13)});
        t.push({state(4), shown(14)});
        QCoreApplication::processEvents();
        QCOMPARE(t.taken, (QStringList{"s3", "d14", "s4"}));
        QCOMPARE(t.events, 2);
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
