#include <QtEndian>
#include <QtTest>

#include "datagramflood.h"
#include "genericlink.h"
#include "linkpeer.h"
#include "memoryuse.h"
#include "queuedspy.h"
#include "testenv.h"
#include "turncounter.h"
#include "widgets.h"

#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

namespace {

// Owns a set of elements and the name map the link works on.
struct Elements {
    std::vector<std::unique_ptr<Element>> owned;
    ElementMap map;

    Element* add(Element::Type type, const QString& name, float min = -1000, float max = 1000)
    {
        owned.push_back(std::make_unique<Element>(type, name, 2, min, max));
        map.insert(name, owned.back().get());
        return owned.back().get();
    }
};

void appendFloat(QByteArray& bytes, float value)
{
    char le[4];
    qToLittleEndian(value, le);
    bytes.append(le, 4);
}

// The three elements of the link's own example: "B" a sensor number, "A" a sensor on/off and
// "C" a variable number.
Elements exampleElements()
{
    Elements e;
    e.add(Element::SensorNumber, QStringLiteral("B"));
    e.add(Element::SensorBool, QStringLiteral("A"));
    e.add(Element::VariableNumber, QStringLiteral("C"));
    return e;
}

// Payload for the example: A valid and on, B valid 12.5 (raw 250), C -3.
QByteArray examplePayload()
{
    QByteArray payload;
    payload.append('\1').append('\1');
    payload.append('\1');
    appendFloat(payload, 12.5f);
    appendFloat(payload, 250.0f);
    appendFloat(payload, -3.0f);
    return payload;
}

// Records of every element of a subscribed map, all carrying value v (validity and on/off set).
QByteArray records(const ElementMap& map, float v)
{
    QByteArray payload;
    for (const Element* element : map) {
        switch (element->type()) {
        case Element::SensorBool:
        case Element::SensorBoolAlt:
            payload.append('\1').append(char(v != 0));
            break;
        case Element::SensorNumber:
        case Element::SensorNumberAlt:
            payload.append('\1');
            appendFloat(payload, v);
            appendFloat(payload, v * 10);
            break;
        case Element::VariableBool:
        case Element::VariableBoolAlt:
            payload.append(char(v != 0));
            break;
        case Element::VariableNumber:
            appendFloat(payload, v);
            break;
        }
    }
    return payload;
}

QByteArray message(const QByteArray& payload)
{
    return LinkFrame::encode(LinkFrame::SQ, payload);
}

// Sends a datagram again every 100 ms until seen() holds (the receiver binds its port on its own
// thread, a moment after it starts).
bool deliver(LinkPeer& peer, quint16 port, const QByteArray& datagram, const std::function<bool()>& seen)
{
    for (int attempt = 0; attempt < 30; ++attempt) {
        peer.sendDatagram(port, datagram);
        if (QTest::qWaitFor(seen, 100))
            return true;
    }
    return false;
}

// 75 number variables whose records fill a 300-byte payload, subscribed on port.
Elements longMessageElements(quint16 port)
{
    Elements e;
    for (int i = 0; i < 75; ++i)
        e.add(Element::VariableNumber, QStringLiteral("E%1").arg(i, 2, 10, QLatin1Char('0')));
    GenericLink::subscribe(port, e.map);
    return e;
}

}  // namespace

class TestGenericLink : public QObject
{
    Q_OBJECT

private slots:
    void subscriptionTextAndOffsets()
    {
        Elements e = exampleElements();
        QCOMPARE(GenericLink::subscribe(6000, e.map), QStringLiteral("SUBSCRIBE PORT 6000 DELAY 50 A, B, C"));
        QCOMPARE(e.map["A"]->offset(), 0);
        QCOMPARE(e.map["B"]->offset(), 2);
        QCOMPARE(e.map["C"]->offset(), 11);

        // Subscribing the same map again keeps the offsets.
        GenericLink::subscribe(6001, e.map);
        QCOMPARE(e.map["C"]->offset(), 11);
    }

    void recordSizes_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("variable");
        const int sizes[] = {2, 2, 9, 9, 1, 1, 4};
        for (int type = 0; type <= 6; ++type)
            QTest::addRow("type %d", type) << type << sizes[type] << (type > 3);
        QTest::newRow("unknown") << 7 << 0 << true;
    }
    void recordSizes()
    {
        QFETCH(int, type);
        QFETCH(int, size);
        QFETCH(bool, variable);
        QCOMPARE(Element::recordSize(type), size);
        QCOMPARE(Element(Element::Type(type), QStringLiteral("x"), 0, 0, 1).isVariable(), variable);
    }

    void numberClamping_data()
    {
        QTest::addColumn<QList<float>>("inputs");
        QTest::addColumn<QList<float>>("emitted");
        QTest::addColumn<float>("stored");
        QTest::newRow("above max, then above max again")
            << QList<float>{150, 120} << QList<float>{100} << 100.0f;
        QTest::newRow("below min") << QList<float>{-20} << QList<float>{-10} << -10.0f;
        QTest::newRow("first value 0 is announced") << QList<float>{0, 0} << QList<float>{0} << 0.0f;
        QTest::newRow("inside the range") << QList<float>{5, 7.5f, 7.5f, 5}
                                          << QList<float>{5, 7.5f, 5} << 5.0f;
    }
    void numberClamping()
    {
        QFETCH(QList<float>, inputs);
        QFETCH(QList<float>, emitted);
        QFETCH(float, stored);

        Element element(Element::VariableNumber, QStringLiteral("P"), 1, -10, 100);
        QSignalSpy withElement(&element, QOverload<const Element*, float>::of(&Element::numberValChanged));
        QSignalSpy plain(&element, QOverload<float>::of(&Element::numberValChanged));
        for (const float input : inputs)
            element.setNumberVal(input);
        QList<float> seen;
        for (const QList<QVariant>& args : qAsConst(withElement)) {
            QCOMPARE(args.at(0).value<const Element*>(), &element);
            seen << args.at(1).toFloat();
        }
        QCOMPARE(seen, emitted);
        QCOMPARE(plain.count(), emitted.size());
        QCOMPARE(element.numberVal(), stored);
    }

    void nanIsNotClamped()
    {
        Element element(Element::VariableNumber, QStringLiteral("P"), 1, 0, 100);
        element.setNumberVal(std::numeric_limits<float>::quiet_NaN());
        QVERIFY(std::isnan(element.numberVal()));
    }

    // Each value kind announces its first value even when it equals the initial one, the element
    // signal before the plain one, and later only real changes.
    void firstValueOfEachKindIsAnnounced()
    {
        Element element(Element::SensorBool, QStringLiteral("V"), 0, 0, 1);
        QStringList order;
        connect(&element, QOverload<const Element*, bool>::of(&Element::validChanged), this,
                [&](const Element* e, bool v) { order << QStringLiteral("elem %1 %2").arg(e == &element).arg(v); });
        connect(&element, QOverload<bool>::of(&Element::validChanged), this,
                [&](bool v) { order << QStringLiteral("plain %1").arg(v); });
        QSignalSpy boolSpy(&element, QOverload<bool>::of(&Element::boolValChanged));
        QSignalSpy rawSpy(&element, QOverload<float>::of(&Element::rawNumberValChanged));
        QSignalSpy stringSpy(&element, QOverload<QString>::of(&Element::stringValChanged));

        element.setValid(false);
        element.setValid(false);
        element.setValid(true);
        QCOMPARE(order, (QStringList{"elem 1 0", "plain 0", "elem 1 1", "plain 1"}));

        element.setBoolVal(false);
        element.setBoolVal(false);
        element.setRawNumberVal(0);
        element.setRawNumberVal(3);
        element.setStringVal(QString());
        element.setStringVal(QString());
        QCOMPARE(boolSpy.count(), 1);
        QCOMPARE(rawSpy.count(), 2);
        QCOMPARE(stringSpy.count(), 1);
        QCOMPARE(element.rawNumberVal(), 3.0f);
    }

    void decodeRecords()
    {
        Elements e = exampleElements();
        Element* unknown = e.add(Element::Type(7), QStringLiteral("D"));
        GenericLink::subscribe(6000, e.map);
        QSignalSpy unknownSpy(unknown, QOverload<bool>::of(&Element::validChanged));

        const QByteArray payload = examplePayload();
        GenericLink::decode(e.map, payload.constData(), payload.size());
        QVERIFY(e.map["A"]->valid());
        QVERIFY(e.map["A"]->boolVal());
        QVERIFY(e.map["B"]->valid());
        QCOMPARE(e.map["B"]->numberVal(), 12.5f);
        QCOMPARE(e.map["B"]->rawNumberVal(), 250.0f);
        QCOMPARE(e.map["C"]->numberVal(), -3.0f);
        QCOMPARE(unknownSpy.count(), 0);
    }

    // A record that does not lie wholly inside the received payload is not decoded from whatever
    // the buffer held before.
    void recordBeyondPayloadIsSkipped()
    {
        Elements e = exampleElements();
        GenericLink::subscribe(6000, e.map);
        QByteArray payload = examplePayload();
        payload.chop(1);  // C's float is cut
        QSignalSpy cSpy(e.map["C"], QOverload<float>::of(&Element::numberValChanged));
        GenericLink::decode(e.map, payload.constData(), payload.size());
        QCOMPARE(e.map["B"]->numberVal(), 12.5f);
        QCOMPARE(cSpy.count(), 0);

        // Elements without an offset (never subscribed) are not decoded either.
        Elements fresh = exampleElements();
        GenericLink::decode(fresh.map, examplePayload().constData(), examplePayload().size());
        QVERIFY(!fresh.map["A"]->valid());
        QCOMPARE(fresh.map["C"]->numberVal(), 0.0f);
    }

    // Reassembly of a message from its first datagram and the continuations that follow it.
    void assembleMessage_data()
    {
        QTest::addColumn<QList<QByteArray>>("datagrams");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<int>("asked");  // continuations asked for

        using L = QList<QByteArray>;
        const QByteArray whole = message(records(longMessageElements(6000).map, 2));
        QByteArray overlong = message(QByteArray());
        qToLittleEndian<quint16>(65535, overlong.data() + 2);
        QTest::newRow("one datagram") << L{whole} << true << 0;
        QTest::newRow("empty payload") << L{message(QByteArray())} << true << 0;
        QTest::newRow("two pieces") << L{whole.left(200), whole.mid(200)} << true << 1;
        QTest::newRow("header alone first") << L{whole.left(4), whole.mid(4, 1), whole.mid(5)} << true << 2;
        QTest::newRow("next message not taken") << L{whole, whole} << true << 0;
        QTest::newRow("continuation missing") << L{whole.left(303)} << false << 1;
        QTest::newRow("header cut") << L{whole.left(3), whole.mid(3)} << false << 0;
        QTest::newRow("datagram over the buffer")
            << L{whole + QByteArray(GenericLink::kMessageBufferSize, '\0')} << false << 0;
        QTest::newRow("message outgrows the buffer")
            << L{overlong + QByteArray(60000, '\0'), QByteArray(5504, '\0'), QByteArray(1, '\0')} << false << 1;
    }
    void assembleMessage()
    {
        QFETCH(QList<QByteArray>, datagrams);
        QFETCH(bool, complete);
        QFETCH(int, asked);
        QByteArray assembled = datagrams.first();
        int calls = 0;
        QCOMPARE(GenericLink::assemble(assembled, [&](QByteArray& m) {
                     if (++calls >= datagrams.size())
                         return false;
                     m += datagrams[calls];
                     return true;
                 }),
                 complete);
        QCOMPARE(calls, asked);

        if (complete) {
            Elements e = longMessageElements(6000);
            GenericLink::decodeMessage(e.map, assembled);
            const float expected = LinkFrame::parseHeader(assembled.constData()).length > 0 ? 2.0f : 0.0f;
            QCOMPARE(e.map.first()->numberVal(), expected);
            QCOMPARE(e.map.last()->numberVal(), expected);
        }
    }

    // A value label bound to a cell shows its number with the cell's decimals and, for a cell that
    // is not a variable, its validity.
    void labelFollowsElement_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("followsValidity");
        QTest::newRow("sensor") << int(Element::SensorNumber) << true;
        QTest::newRow("variable") << int(Element::VariableNumber) << false;
    }
    void labelFollowsElement()
    {
        QFETCH(int, type);
        QFETCH(bool, followsValidity);
        Element element(Element::Type(type), QStringLiteral("P"), 2, 0, 100);
        PoLabel label;
        const QColor background = label.palette().color(QPalette::Window);
        label.setElement(&element);
        QCOMPARE(label.depth(), 2);

        element.setNumberVal(3.14159f);
        QCOMPARE(label.text(), QStringLiteral("3.14"));
        element.setValid(false);
        const QColor expected = followsValidity ? QColor(255, 192, 192) : background;
        QCOMPARE(label.palette().color(QPalette::Window), expected);
    }

    // ---- the status receiver over loopback ----------------------------------------------------

    void longMessageInTwoDatagrams()
    {
        const quint16 port = TestEnv::freePort();
        Elements e = longMessageElements(port);
        Element* first = e.map.first();
        Element* last = e.map.last();
        UDPthread receiver(&e.map, port);
        LinkPeer peer;
        QVERIFY(deliver(peer, port, message(records(e.map, 1)), [&] { return last->numberVal() == 1; }));

        const QByteArray two = message(records(e.map, 2));
        QCOMPARE(two.size(), 304);
        QVERIFY(peer.sendDatagram(port, two.left(200)));
        QTest::qWait(200);
        QCOMPARE(first->numberVal(), 1.0f);  // nothing is decoded before the rest is in
        QVERIFY(peer.sendDatagram(port, two.mid(200)));
        QVERIFY(QTest::qWaitFor([&] { return last->numberVal() == 2; }, 2000));
        QCOMPARE(first->numberVal(), 2.0f);
    }

    // The wait for a continuation (up to 3 s each) is no silence: the receiver does not report
    // the stream lost while a message is being completed, and the silence rule goes on in the
    // main loop afterwards.
    void continuationWaitIsNoSilence()
    {
        const quint16 port = TestEnv::freePort();
        Elements e = longMessageElements(port);
        UDPthread receiver(&e.map, port);
        QueuedSpy lost(&receiver, &UDPthread::disconnected);
        LinkPeer peer;
        QVERIFY(deliver(peer, port, message(records(e.map, 1)), [&] { return e.map.last()->numberVal() == 1; }));

        const QByteArray two = message(records(e.map, 2));
        QVERIFY(peer.sendDatagram(port, two.left(200)));
        QTest::qWait(2000);
        QCOMPARE(lost.count(), 0);
        QVERIFY(peer.sendDatagram(port, two.mid(200)));
        QVERIFY(QTest::qWaitFor([&] { return e.map.last()->numberVal() == 2; }, 1000));
        QCOMPARE(e.map.first()->numberVal(), 2.0f);
        QCOMPARE(lost.count(), 0);

        // Nothing more comes: lost after ten quiet turns of the main loop.
        QVERIFY(QTest::qWaitFor([&] { return lost.count() > 0; }, 3000));
    }

    // Datagrams too short for a header, or with another signature, are dropped and do not
    // disturb the next message.
    void malformedDatagramsAreDropped()
    {
        const quint16 port = TestEnv::freePort();
        Elements e = exampleElements();
        GenericLink::subscribe(port, e.map);
        UDPthread receiver(&e.map, port);
        LinkPeer peer;
        QVERIFY(deliver(peer, port, message(records(e.map, 1)), [&] { return e.map["C"]->numberVal() == 1; }));

        QVERIFY(peer.sendDatagram(port, QByteArray("SQ", 2)));
        QVERIFY(peer.sendDatagram(port, QByteArray("SQ\x05", 3)));
        QByteArray foreign = message(records(e.map, 7));
        foreign[0] = 'P';
        QVERIFY(peer.sendDatagram(port, foreign));
        QVERIFY(peer.sendDatagram(port, message(records(e.map, 2))));
        QVERIFY(QTest::qWaitFor([&] { return e.map["C"]->numberVal() == 2; }, 2000));
        QCOMPARE(e.map["B"]->numberVal(), 2.0f);
        QCOMPARE(e.map["B"]->rawNumberVal(), 20.0f);
    }

    // A long message whose continuation never comes is given up after the continuation wait,
    // also when empty datagrams keep coming meanwhile; the next message is then read as a
    // message of its own.
    void missingContinuationIsGivenUp_data()
    {
        QTest::addColumn<bool>("emptyDatagrams");
        QTest::newRow("nothing") << false;
        QTest::newRow("empty datagrams") << true;
    }
    void missingContinuationIsGivenUp()
    {
        QFETCH(bool, emptyDatagrams);
        const quint16 port = TestEnv::freePort();
        Elements e = longMessageElements(port);
        UDPthread receiver(&e.map, port);
        LinkPeer peer;
        QVERIFY(deliver(peer, port, message(records(e.map, 1)), [&] { return e.map.last()->numberVal() == 1; }));

        QVERIFY(peer.sendDatagram(port, message(records(e.map, 2)).left(200)));
        {
            std::unique_ptr<DatagramFlood> flood;
            if (emptyDatagrams)
                flood = std::make_unique<DatagramFlood>(port, QByteArray(), 1);
            QTest::qWait(GenericLink::kContinuationWaitMs + 500);
        }
        QTest::qWait(300);
        // The message given up counts as rejected, and so does every empty datagram.
        if (emptyDatagrams)
            QVERIFY(receiver.datagramsRejected() > 100);
        else
            QCOMPARE(receiver.datagramsRejected(), quint64(1));
        QVERIFY(peer.sendDatagram(port, message(records(e.map, 3))));
        QVERIFY(QTest::qWaitFor([&] { return e.map.last()->numberVal() == 3; }, 2000));
        QCOMPARE(e.map.first()->numberVal(), 3.0f);
    }

    // A message that would not fit the message buffer is dropped whole.
    void oversizedMessageIsDropped()
    {
        const quint16 port = TestEnv::freePort();
        Elements e = longMessageElements(port);
        QList<float> seen;
        connect(e.map.first(), QOverload<float>::of(&Element::numberValChanged), this, [&](float v) { seen << v; });
        UDPthread receiver(&e.map, port);
        LinkPeer peer;
        QVERIFY(deliver(peer, port, message(records(e.map, 1)), [&] { return e.map.last()->numberVal() == 1; }));

        QByteArray head = message(records(e.map, 5));
        qToLittleEndian<quint16>(65535, head.data() + 2);
        head.append(QByteArray(60000 - head.size(), '\0'));
        QVERIFY(peer.sendDatagram(port, head));
        QVERIFY(peer.sendDatagram(port, QByteArray(6000, '\0')));
        QVERIFY(peer.sendDatagram(port, message(records(e.map, 6))));
        QVERIFY(QTest::qWaitFor([&] { return e.map.last()->numberVal() == 6; }, 2000));
        QVERIFY(QTest::qWaitFor([&] { return seen.contains(6); }, 2000));
        QVERIFY(!seen.contains(5));
    }

    // Stopping the receiver while it waits for a continuation returns at once, and every
    // element is marked invalid.
    void stopDuringContinuationWait()
    {
        const quint16 port = TestEnv::freePort();
        Elements e = exampleElements();
        for (int i = 0; i < 40; ++i)
            e.add(Element::VariableNumber, QStringLiteral("Z%1").arg(i, 2, 10, QLatin1Char('0')));
        GenericLink::subscribe(port, e.map);
        auto receiver = std::make_unique<UDPthread>(&e.map, port);
        LinkPeer peer;
        QVERIFY(deliver(peer, port, message(records(e.map, 1)), [&] { return e.map["B"]->valid(); }));

        QVERIFY(peer.sendDatagram(port, message(records(e.map, 2)).left(100)));
        QTest::qWait(200);
        QElapsedTimer clock;
        clock.start();
        receiver.reset();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!e.map["A"]->valid());
        QVERIFY(!e.map["B"]->valid());
    }

    // ---- the TCP side over loopback -------------------------------------------------------------

    // The link sends the subscription first, takes "SQ" text frames (Latin-1, up to a NUL),
    // refuses a second connect, and goes down when the status stream falls silent, marking the
    // elements invalid.
    void linkSubscribesAndEndsOnSilence()
    {
        const quint16 udpPort = TestEnv::freePort();
        Elements e = exampleElements();
        LinkPeer peer;
        QVERIFY(peer.listen());
        TCPthread link;
        QStringList messages;
        connect(&link, &TCPthread::message, this, [&](const QString& text) { messages << text; });
        // Counted where the owner hears of it, on this thread: the values the receiver handed
        // over before come first.
        int down = 0;
        connect(&link, &TCPthread::disconnected, this, [&] { ++down; });

        QVERIFY(link.connect(QStringLiteral("127.0.0.1"), peer.port(), udpPort, &e.map));
        QVERIFY(link.connected());
        QVERIFY(peer.accept());
        LinkPeer::Frame frame;
        QVERIFY(peer.nextFrame(frame));
        QCOMPARE(frame.signature, quint16(LinkFrame::SQ));
        QCOMPARE(QString::fromUtf8(frame.payload),
                 QStringLiteral("SUBSCRIBE PORT %1 DELAY 50 A, B, C").arg(udpPort));

        // The controller streams the subscribed values while the link is up.
        QTimer stream;
        connect(&stream, &QTimer::timeout, this,
                [&] { peer.sendDatagram(udpPort, message(records(e.map, 1))); });
        stream.start(50);
        QVERIFY(QTest::qWaitFor([&] { return e.map["B"]->valid(); }, 2000));
        QVERIFY(e.map["A"]->valid());

        QVERIFY(!link.connect(QStringLiteral("127.0.0.1"), peer.port(), udpPort, &e.map));
        QVERIFY(link.command(QStringLiteral("SET ÄB")));
        QVERIFY(peer.nextFrame(frame));
        QCOMPARE(frame.payload, QStringLiteral("SET ÄB").toUtf8());

        peer.sendFrame(LinkFrame::SQ, QByteArray("READY\0tail", 10));
        peer.sendFrame(LinkFrame::SQ, QByteArray("caf\xe9"));
        peer.sendFrame(LinkFrame::SQ, QByteArray());
        QVERIFY(QTest::qWaitFor([&] { return messages.size() == 3; }, 2000));
        QCOMPARE(messages, (QStringList{"READY", QStringLiteral("caf\u00e9"), QString()}));
        QCOMPARE(down, 0);

        stream.stop();
        QVERIFY(QTest::qWaitFor([&] { return down == 1; }, 3000));
        QVERIFY(!link.connected());
        QVERIFY(!e.map["A"]->valid());
        QVERIFY(!e.map["B"]->valid());
        QVERIFY(!link.command(QStringLiteral("X")));
    }

    void linkEndsOnPeerCloseAndForeignFrame_data()
    {
        QTest::addColumn<bool>("foreignFrame");
        QTest::newRow("peer closes") << false;
        QTest::newRow("PV frame") << true;
    }
    void linkEndsOnPeerCloseAndForeignFrame()
    {
        QFETCH(bool, foreignFrame);
        Elements e = exampleElements();
        LinkPeer peer;
        QVERIFY(peer.listen());
        TCPthread link;
        QueuedSpy down(&link, &TCPthread::disconnected);
        QueuedSpy messages(&link, &TCPthread::message);
        QVERIFY(link.connect(QStringLiteral("127.0.0.1"), peer.port(), TestEnv::freePort(), &e.map));
        QVERIFY(peer.accept());
        if (foreignFrame)
            peer.sendFrame(LinkFrame::PV, QByteArray("hello"));
        else
            peer.close();
        QVERIFY(QTest::qWaitFor([&] { return down.count() == 1; }, 2000));
        QVERIFY(!link.connected());
        QCOMPARE(messages.count(), 0);

        // The link can be opened again.
        QVERIFY(link.connect(QStringLiteral("127.0.0.1"), peer.port(), TestEnv::freePort(), &e.map));
        QVERIFY(peer.accept());
        QVERIFY(link.disconnect());
    }

    // A disconnect() right after connect() is never lost: the stop flag is cleared before the
    // thread starts, not by the thread.
    void disconnectRightAfterConnect()
    {
        Elements e = exampleElements();
        LinkPeer peer;
        QVERIFY(peer.listen());
        TCPthread link;
        QueuedSpy down(&link, &TCPthread::disconnected);
        for (int round = 1; round <= 5; ++round) {
            QVERIFY(link.connect(QStringLiteral("127.0.0.1"), peer.port(), TestEnv::freePort(), &e.map));
            QElapsedTimer clock;
            clock.start();
            QVERIFY(link.disconnect());
            QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
            QVERIFY(!link.connected());
            QVERIFY(peer.accept());
            peer.close();
            QVERIFY(QTest::qWaitFor([&] { return down.count() == round; }, 1000));
        }
        QVERIFY(!link.disconnect());
    }

    // disconnect() from the link's own thread (a receiver of message() connected directly) is
    // refused, as on the other links, and leaves the link up.
    void disconnectFromOwnThreadIsRefused()
    {
        Elements e = exampleElements();
        LinkPeer peer;
        QVERIFY(peer.listen());
        TCPthread link;
        QueuedSpy down(&link, &TCPthread::disconnected);
        std::atomic<int> answer{-1};
        connect(&link, &TCPthread::message, this, [&] { answer = link.disconnect() ? 1 : 0; }, Qt::DirectConnection);
        QVERIFY(link.connect(QStringLiteral("127.0.0.1"), peer.port(), TestEnv::freePort(), &e.map));
        QVERIFY(peer.accept());
        peer.sendFrame(LinkFrame::SQ, QByteArray("hello"));
        QVERIFY(QTest::qWaitFor([&] { return answer != -1; }, 2000));
        QCOMPARE(answer.load(), 0);
        QTest::qWait(300);  // a stop would end the receive loop within 100 ms
        QVERIFY(link.connected());
        QCOMPARE(down.count(), 0);
        QVERIFY(link.disconnect());
    }

    void connectFailures()
    {
        Elements e = exampleElements();
        TCPthread link;
        QVERIFY(!link.command(QStringLiteral("X")));
        QVERIFY(!link.connect(QStringLiteral("127.0.0.1"), TestEnv::freePort(), TestEnv::freePort(), &e.map));
        QVERIFY(!link.connect(QStringLiteral("no.such.host"), 1, TestEnv::freePort(), &e.map));
        QVERIFY(!link.connected());
        QCOMPARE(e.map["A"]->offset(), -1);  // nothing was subscribed
    }

    // A controller that changes every value as fast as it can send: the values cross to the
    // owner's thread as a controller's status does, a bounded share per turn of its event loop
    // however many wait, with bounded memory, and the elements end at the latest values. Each
    // number costs the owner's thread a few microseconds, as a window's label would.
    void floodOfChangesIsTakenInShares()
    {
        const quint16 udpPort = TestEnv::freePort();
        Elements e;
        const int numbers = 8;
        for (int i = 0; i < numbers; ++i)
            e.add(Element::SensorNumber, QStringLiteral("N%1").arg(i));
        e.add(Element::SensorBool, QStringLiteral("S"));  // on and off with every message
        const int perMessage = 2 * numbers + 2;
        LinkPeer peer;
        QVERIFY(peer.listen());
        TCPthread link;
        QVERIFY(link.connect(QStringLiteral("127.0.0.1"), peer.port(), udpPort, &e.map));
        QVERIFY(peer.accept());

        int inTurn = 0;
        int mostInTurn = 0;
        for (Element* element : qAsConst(e.map)) {
            connect(element, QOverload<float>::of(&Element::numberValChanged), this, [&inTurn] {
                ++inTurn;
                QElapsedTimer spent;
                spent.start();
                while (spent.nsecsElapsed() < 5000) {
                }
            });
        }
        QVERIFY(deliver(peer, udpPort, message(records(e.map, 1)), [&] { return e.map["N7"]->numberVal() == 1; }));
        TurnCounter turns;
        turns.onTurn = [&] {
            mostInTurn = std::max(mostInTurn, inTurn);
            inTurn = 0;
        };
        turns.start();

        const qint64 startBytes = residentBytes();
        qint64 peakBytes = startBytes;
        {
            DatagramFlood flood(udpPort, {message(records(e.map, 0)), message(records(e.map, 2))}, {1, 3000, QByteArray()});
            for (int i = 0; i < 20; ++i) {
                QTest::qWait(100);
                peakBytes = std::max(peakBytes, residentBytes());
            }
            flood.stop();
            QVERIFY(flood.sent() > 10000);
        }
        const qint64 growthMb = (peakBytes - startBytes) >> 20;
        qInfo("most numbers stored in one turn %d, memory growth %lld MB", mostInTurn, growthMb);
        QVERIFY2(mostInTurn <= StatusQueue<GenericLink::Change>::TurnChanges + perMessage,
                 qPrintable(QStringLiteral("%1 numbers stored in one turn").arg(mostInTurn)));
        QVERIFY2(growthMb <= 10, qPrintable(QStringLiteral("memory grew by %1 MB").arg(growthMb)));

        // The last message wins, whatever waited (sent again until the flood's leftovers have
        // passed: the system drops what does not fit the socket's buffer).
        QVERIFY(QTest::qWaitFor(
            [&] {
                peer.sendDatagram(udpPort, message(records(e.map, 7)));
                QTest::qWait(50);
                return e.map["N0"]->numberVal() == 7 && e.map["N7"]->numberVal() == 7 && e.map["N7"]->rawNumberVal() == 70
                       && e.map["S"]->boolVal();
            },
            5000));
        QVERIFY(link.connected());
    }

    // Destroying a link that is up stops and joins both threads.
    void destructorEndsLink()
    {
        Elements e = exampleElements();
        LinkPeer peer;
        QVERIFY(peer.listen());
        auto link = std::make_unique<TCPthread>();
        QVERIFY(link->connect(QStringLiteral("127.0.0.1"), peer.port(), TestEnv::freePort(), &e.map));
        QVERIFY(peer.accept());
        QElapsedTimer clock;
        clock.start();
        link.reset();
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(QTest::qWaitFor([&] { return peer.connection()->state() != QAbstractSocket::ConnectedState; }, 2000));
    }
};

POKAVRO_TEST_MAIN(TestGenericLink)
#include "tst_genericlink.moc"
