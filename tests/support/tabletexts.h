#pragma once

#include <QList>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTableWidget>
#include <QVariant>

// What the editor's tables and message spies show, as texts to compare.
namespace TableTexts {

// The text of a cell; "<none>" for a cell without an item.
inline QString cell(const QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QStringLiteral("<none>");
}

// The texts of one column, top to bottom.
inline QStringList column(const QTableWidget* table, int c)
{
    QStringList out;
    for (int row = 0; row < table->rowCount(); ++row)
        out << cell(table, row, c);
    return out;
}

// The first argument of every recorded signal (the text of each message).
inline QStringList texts(const QSignalSpy& spy)
{
    QStringList out;
    for (const QList<QVariant>& args : spy)
        out << args.at(0).toString();
    return out;
}

}  // namespace TableTexts
