#include "contourmodel.h"

const QStringList& rasterTypeNames()
{
    static const QStringList names{
        QStringLiteral("Точка"),         QStringLiteral("Эллипсы"),      QStringLiteral("Окружности"),
        QStringLiteral("Синус"),         QStringLiteral("Восьмёрка"),    QStringLiteral("Прямоугольник"),
        QStringLiteral("Прямая"),        QStringLiteral("Ромб"),         QStringLiteral("Пила"),
        QStringLiteral("Расщепление"),   QStringLiteral("Треугольник"),  QStringLiteral("Звезда"),
        QStringLiteral("Звезда №2"),     QStringLiteral("Треугольник фокуса"),
        QStringLiteral("Из файла"),      QStringLiteral("Спираль"),      QStringLiteral("Калибровка"),
        QStringLiteral("Окружности №2")};
    return names;
}

QString rasterText(const RasterParams& r)
{
    const QStringList& names = rasterTypeNames();
    const QString name = r.type >= 0 && r.type < names.size() ? names.at(r.type) : QString::number(r.type);
    const QString sep = QStringLiteral("; ");
    return name + sep + QString::number(double(r.ampX), 'f', 2) + QLatin1Char('x') +
           QString::number(double(r.ampY), 'f', 2) + sep + QString::number(r.angle) + sep +
           QString::number(r.freq) + sep + QString::number(double(r.shiftX), 'f', 2) + QLatin1Char('x') +
           QString::number(double(r.shiftY), 'f', 2) + sep + QString::number(double(r.param), 'g', 6) + sep +
           QString::number(r.reverse);
}

QString numerate(const QStringList& lines, int step)
{
    QString out;
    for (int i = 0; i < lines.size(); ++i)
        out += QStringLiteral("N%1 ").arg(qint64(i + 1) * step, 3, 10, QLatin1Char('0')) + lines.at(i) +
               QLatin1Char('\n');
    return out;
}
