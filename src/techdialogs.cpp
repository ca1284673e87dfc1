#include "techdialogs.h"

#include <QTableWidget>

#include <cmath>
#include <memory>

#include "addcontourpoint.h"
#include "circletackwelds.h"
#include "circleweld.h"
#include "contourparams.h"
#include "lintackwelds.h"
#include "linweld.h"
#include "techeditor.h"
#include "techfield.h"
#include "techsettings.h"
#include "trsel.h"

namespace TechDialogs {

namespace {

// A count label's whole part, never below 0.
int whole(float value)
{
    return int(std::trunc(TechField::clamp(value, 0, 1.0e9f)));
}

template <class Dialog>
void forward(Dialog& dialog, const Sink& sink)
{
    if (sink)
        QObject::connect(&dialog, &Dialog::message, &dialog, sink);
}

}  // namespace

void runTemplate(TechEditor& editor, QWidget* button, bool tacks, const Sink& sink)
{
    std::unique_ptr<WeldTemplate> dialog;
    if (editor.schemaRound())
        dialog = tacks ? std::unique_ptr<WeldTemplate>(new CircleTackWelds(&editor, button))
                       : std::unique_ptr<WeldTemplate>(new CircleWeld(&editor, button));
    else
        dialog = tacks ? std::unique_ptr<WeldTemplate>(new LinTackWelds(&editor, button))
                       : std::unique_ptr<WeldTemplate>(new LinWeld(&editor, button));
    // The closing line is emitted by the destructor: the sink stays connected until then.
    forward(*dialog, sink);
    dialog->exec();
}

bool runSettings(TechEditor& editor, QWidget* button, const ContourSettings& current,
                 const Sink& sink)
{
    if (!editor.hasSchema())
        return false;
    TechSettings dialog(&editor, button);
    forward(dialog, sink);
    dialog.setTestMove(current.testMove);
    dialog.setFocusUse(current.showIf);
    dialog.setYokeXUse(current.showIx);
    dialog.setYokeYUse(current.showIy);
    dialog.setFocusSettle(current.If);
    dialog.setYokeXSettle(current.Ix);
    dialog.setYokeYSettle(current.Iy);
    dialog.setRoundParams(editor.schemaD(), current.centreX, current.centreY, editor.schemaAux());
    dialog.exec();
    return true;
}

bool runAddContourPoint(TechEditor& editor, QWidget* button, const Sink& sink)
{
    if (!editor.hasSchema())
        return false;
    AddContourPoint dialog(&editor, whole(editor.pointsValue()), whole(editor.ringsValue()), button);
    forward(dialog, sink);
    dialog.exec();
    return true;
}

bool runRaster(QTableWidget* table, QTableWidgetItem* cell)
{
    TRSelect dialog(table);
    dialog.load(*cell);
    dialog.exec();
    return dialog.apply(*cell, table->font());
}

void runContourParams(TechEditor& editor, int row, const QTableWidgetItem& cell, QWidget* table)
{
    ContourParams dialog(&editor, row + 1, table);
    dialog.setCPType(cell.data(Qt::UserRole + 10).toInt());
    dialog.radius->setValue(cell.data(Qt::UserRole + 11).toFloat(), 2);
    dialog.cbClockWise->setChecked(cell.data(Qt::UserRole + 12).toInt() != 0);
    dialog.setCPPlane(cell.data(Qt::UserRole + 13).toInt());
    dialog.exec();
}

}  // namespace TechDialogs
