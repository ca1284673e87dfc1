#include <QtEndian>
#include <QtTest>

#include "genericlink.h"
#include "testenv.h"
#include "widgets.h"

#include <cmath>
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
};

POKAVRO_TEST_MAIN(TestGenericLink)
#include "tst_genericlink.moc"
