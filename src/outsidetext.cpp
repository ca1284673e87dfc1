#include "outsidetext.h"

#include <algorithm>

namespace OutsideText {

QString singleLine(const QString& text)
{
    QString line = text;
    for (QChar& c : line) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph)
            c = QLatin1Char(' ');
    }
    return line;
}

QString controllerText(const QString& text)
{
    if (text.size() <= kMaxLength)
        return singleLine(text);
    int keep = kMaxLength;
    if (text.at(keep - 1).isHighSurrogate())
        --keep;  // never half a character
    return singleLine(text.left(keep))
           + QStringLiteral("… (обрезано, всего символов: %1)").arg(text.size());
}

}  // namespace OutsideText

void TextGate::refill(qint64 nowMs)
{
    if (m_started)
        m_creditMs = std::min(m_capacityMs, m_creditMs + std::max<qint64>(0, nowMs - m_lastMs));
    m_started = true;
    m_lastMs = nowMs;
}

QString TextGate::due(qint64 nowMs)
{
    if (m_heldBack == 0)
        return QString();
    refill(nowMs);
    return m_creditMs < m_costMs ? QString() : flush();
}

bool TextGate::admit(qint64 nowMs)
{
    refill(nowMs);
    if (m_creditMs < m_costMs) {
        ++m_heldBack;
        return false;
    }
    m_creditMs -= m_costMs;
    return true;
}

QStringList TextGate::pass(const QString& text, qint64 nowMs)
{
    if (!admit(nowMs))
        return {};
    QStringList lines;
    const QString note = flush();
    if (!note.isEmpty())
        lines << note;
    lines << OutsideText::controllerText(text);
    return lines;
}

QString TextGate::flush()
{
    const int count = m_heldBack;
    m_heldBack = 0;
    return count > 0 ? heldBackNote(count) : QString();
}

QString TextGate::heldBackNote(int count)
{
    return QStringLiteral("Тексты контроллера приходят слишком часто, не записано: %1").arg(count);
}
