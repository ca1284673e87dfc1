#include "recordingeditor.h"

#include "contourparams.h"

QString RecordingEditor::number(float value)
{
    return QString::number(double(value), 'g', 8);
}

QStringList RecordingEditor::table() const
{
    QStringList out;
    for (const Row& row : rows) {
        if (row.comment)
            out << QStringLiteral("# ") + row.text;
        else
            out << QStringLiteral("%1 %2 %3")
                       .arg(double(row.path), 0, 'f', 2)
                       .arg(double(row.current), 0, 'f', 1)
                       .arg(double(row.speed), 0, 'f', 1);
    }
    return out;
}

QStringList RecordingEditor::paths() const
{
    QStringList out;
    for (const Row& row : rows) {
        if (!row.comment)
            out << QString::number(double(row.path), 'f', 2);
    }
    return out;
}

void RecordingEditor::addComment(const QString& text)
{
    calls << QStringLiteral("addComment(%1)").arg(text);
    Row row;
    row.comment = true;
    row.text = text;
    rows << row;
}

void RecordingEditor::addTechPoint(float interval, float IrVal, float speed)
{
    calls << QStringLiteral("addTechPoint(%1, %2, %3)").arg(number(interval), number(IrVal), number(speed));
    // The editor reads the path above back from its 2-decimal text (the start row holds 0).
    float above = 0;
    for (int i = rows.size() - 1; i >= 0; --i) {
        if (!rows.at(i).comment) {
            above = QString::number(double(rows.at(i).path), 'f', 2).toFloat();
            break;
        }
    }
    rows << Row{false, QString(), above + interval, IrVal, speed};
}

void RecordingEditor::addLinearTackPoint(float path, float IrVal, float speed)
{
    calls << QStringLiteral("addLinearTackPoint(%1, %2, %3)").arg(number(path), number(IrVal), number(speed));
    rows << Row{false, QString(), path, IrVal, speed};
}

void RecordingEditor::addContourPoint(bool allPoints, bool allRotate, int point, int rotate)
{
    calls << QStringLiteral("addContourPoint(%1, %2, %3, %4)")
                 .arg(allPoints ? "all" : "one", allRotate ? "every" : "one")
                 .arg(point)
                 .arg(rotate);
}

void RecordingEditor::setTechSettings(bool testMove, bool showIf, bool showIx, bool showIy, float If,
                                      float Ix, float Iy, float diameter, int plane)
{
    calls << QStringLiteral("setTechSettings(%1, %2, %3, %4, %5, %6, %7, %8, %9)")
                 .arg(int(testMove))
                 .arg(int(showIf))
                 .arg(int(showIx))
                 .arg(int(showIy))
                 .arg(number(If), number(Ix), number(Iy), number(diameter))
                 .arg(plane);
}

void RecordingEditor::recalcPointsForNewDiameter(float oldDiameter, float newDiameter)
{
    calls << QStringLiteral("recalcPointsForNewDiameter(%1, %2)").arg(number(oldDiameter), number(newDiameter));
}

void RecordingEditor::addParameters(int row, int type, int direction, int plane, float radius,
                                    bool updateLength)
{
    calls << QStringLiteral("addParameters(%1, %2, %3, %4, %5, %6)")
                 .arg(row)
                 .arg(type)
                 .arg(direction)
                 .arg(plane)
                 .arg(number(radius))
                 .arg(updateLength ? "true" : "false");
    cells << QStringLiteral("%1: %2").arg(row).arg(ContourParams::segmentText(type, direction, plane, radius));
}

float RecordingEditor::calcDiameter(int row, int plane)
{
    calls << QStringLiteral("calcDiameter(%1, %2)").arg(row).arg(plane);
    return diameter;
}
