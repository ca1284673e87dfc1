#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Texts that come from outside the console (a controller's text frames, names read from a
// controller or from a file) before they reach the operator log, the message list or the debug
// output.
namespace OutsideText {

// Every control character (line feed, carriage return, tab, escape, the C1 set) and the Unicode
// line and paragraph separators replaced by a blank: a text stays one line of the log, so that
// it can never pass for a line of its own.
QString singleLine(const QString& text);

// The longest controller text that is logged whole.
constexpr int kMaxLength = 512;

// A controller's text as it is logged: one line (singleLine), and when it is longer than
// kMaxLength characters, its first kMaxLength characters followed by a mark that names the
// length it had.
QString controllerText(const QString& text);

}  // namespace OutsideText

// Bounds how many texts of one peer are logged: up to a burst of texts at once, then one text
// per period; what comes faster is counted and held back, and the count is logged once, as soon
// as a text could pass again (due(), asked at least every few tenths of a second), before a text
// that passes ahead of that, or by flush() when the link ends. Used on one thread.
class TextGate
{
public:
    // A controller's texts: 20 at once, then 2 a second.
    static constexpr int kBurst = 20;
    static constexpr int kPeriodMs = 500;

    explicit TextGate(int burst = kBurst, int periodMs = kPeriodMs)
        : m_costMs(periodMs), m_capacityMs(qint64(burst) * periodMs), m_creditMs(m_capacityMs)
    {
    }

    // The lines to log for a text that arrived at nowMs (a monotonic clock): the text made
    // loggable (OutsideText::controllerText), preceded by the note of the texts held back since
    // the last one that passed; nothing when this text is held back.
    QStringList pass(const QString& text, qint64 nowMs);
    // True when one more item may be logged at nowMs (the item is then counted as logged);
    // false counts it as held back.
    bool admit(qint64 nowMs);
    // The note of the texts held back, once a text arriving at nowMs would pass; then forgets
    // them. Empty otherwise. The note itself takes no text's share.
    QString due(qint64 nowMs);
    // The note of the texts held back since the last one that passed, and forgets them; empty
    // when none was.
    QString flush();

    static QString heldBackNote(int count);

private:
    // The credit as it stands at nowMs.
    void refill(qint64 nowMs);

    const qint64 m_costMs;
    const qint64 m_capacityMs;
    qint64 m_creditMs;
    qint64 m_lastMs = 0;
    bool m_started = false;
    int m_heldBack = 0;
};
