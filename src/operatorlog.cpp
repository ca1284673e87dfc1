#include "operatorlog.h"

#include <QDir>
#include <QTextStream>

#include "fixedpaths.h"

OperatorLog::~OperatorLog() { close(); }

QString OperatorLog::pathFor(const QDateTime& start)
{
    return FixedPaths::logDir() + start.date().toString(QStringLiteral("yyyy_MM_dd"))
           + QStringLiteral("/polog_") + start.time().toString(QStringLiteral("hh_mm_ss"))
           + QStringLiteral(".log");
}

QString OperatorLog::stamp(const QTime& time)
{
    return QLatin1Char('[') + time.toString(QStringLiteral("hh:mm:ss")) + QStringLiteral("] ");
}

bool OperatorLog::open(const QDateTime& start)
{
    close();
    // The day's folder, and the log folder itself on an installation that has none yet.
    QDir().mkpath(FixedPaths::logDir() + start.date().toString(QStringLiteral("yyyy_MM_dd")));
    m_file.setFileName(pathFor(start));
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

void OperatorLog::write(const QString& stampText, const QString& text)
{
    if (!m_file.isOpen())
        return;
    QTextStream out(&m_file);
    out << stampText << text << '\n';
    out.flush();
    m_file.flush();
}

void OperatorLog::close()
{
    if (m_file.isOpen())
        m_file.close();
}

OperatorRow operatorRow(const QString& stampText, const QString& message)
{
    struct Severity {
        const char* prefix;
        int icon;
        Qt::GlobalColor colour;
    };
    static const Severity severities[] = {
        {"[I]", OperatorRow::IconInfo, Qt::black},
        {"[A]", OperatorRow::IconError, Qt::red},
        {"[W]", OperatorRow::IconWarning, Qt::black},
        {"[C]", OperatorRow::IconRun, Qt::black},
        {"[M]", OperatorRow::IconBasic, Qt::blue},
    };
    const QString prefix = message.left(3);
    for (const Severity& s : severities) {
        if (prefix == QLatin1String(s.prefix))
            return {stampText + message.mid(3), s.icon, QColor(s.colour)};
    }
    return {stampText + message, OperatorRow::NoIcon, QColor()};
}
