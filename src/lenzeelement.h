#pragma once

#include <QMutex>
#include <QObject>
#include <QString>

// A named cell holding the latest value of one reading of a vacuum element (a power, overheat or
// interlock word, a coolant temperature or flow). It announces a value only when it differs from
// the one held, and always the first value it is given. The values are guarded by the cell's own
// lock and may be read from any thread; the setters are called on the GUI thread.
class LenzeElement : public QObject
{
    Q_OBJECT

public:
    enum Type { Number = 0, Sensor = 1 };

    LenzeElement(LenzeElement::Type type, const QString& name, int dec);
    ~LenzeElement() override;

    LenzeElement::Type type() const { return m_type; }
    const QString& name() const { return m_name; }
    bool isVariable() const { return m_type != Number; }
    int dec() const { return m_dec; }
    int numberVal();
    float sensorVal();

signals:
    void numberValChanged(const LenzeElement* elem, int val);
    void numberValChanged(int val);
    void sensorValChanged(const LenzeElement* elem, float val);
    void sensorValChanged(float val);

public slots:
    void setNumberVal(int val);
    void setSensorVal(float val);

private:
    template<typename T>
    bool store(T& member, bool& announced, T val);

    QMutex m_lock;
    LenzeElement::Type m_type;
    QString m_name;
    float m_sensorVal = 0.0f;
    int m_numberVal = 0;
    int m_dec;
    bool m_numberAnnounced = false;
    bool m_sensorAnnounced = false;
};
