#pragma once

#include <QColor>
#include <QDateTime>
#include <QFile>
#include <QString>

// The operator log of one program start: every message the operator was told, every button the
// operator pressed and what the controllers reported, one stamped line each. The file is
// "/log/" + start date "yyyy_MM_dd" + "/polog_" + start time "hh_mm_ss" + ".log"; the folders are
// created when missing.
class OperatorLog
{
public:
    OperatorLog() = default;
    ~OperatorLog();
    OperatorLog(const OperatorLog&) = delete;
    OperatorLog& operator=(const OperatorLog&) = delete;

    // The file of a start at the given moment.
    static QString pathFor(const QDateTime& start);

    // The stamp written before each message: "[hh:mm:ss] ".
    static QString stamp(const QTime& time);

    // Names the file after the start and opens it for appending, so that a restart within the
    // same second never empties the earlier run's log. False when it cannot be opened (the
    // program runs on, the lines only shown).
    bool open(const QDateTime& start = QDateTime::currentDateTime());

    // Writes stamp + text + line feed and flushes it at once; nothing when the file is not open.
    void write(const QString& stampText, const QString& text);

    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString fileName() const { return m_file.fileName(); }

private:
    QFile m_file;
};

// One row of the operator-message list. The leading severity prefix picks the icon (index into
// the main window's five log icons) and the text colour, and is dropped from the row; any other
// start shows the whole text without an icon in the list's default colour.
struct OperatorRow {
    enum Icon { NoIcon = -1, IconError = 0, IconInfo = 1, IconRun = 2, IconWarning = 3, IconBasic = 4 };

    QString text;
    int icon = NoIcon;
    QColor colour;  // invalid: the list's default colour
};

OperatorRow operatorRow(const QString& stampText, const QString& message);
