#pragma once

#include <QString>

#include <functional>

class QTableWidget;
class QTableWidgetItem;
class QWidget;
class TechEditor;

// How the weld program editor opens its technology dialogs: each is built for one exec() with
// the editor, its `message` signal handed to the editor's own, and destroyed when exec() returns.
namespace TechDialogs {

// Receives the operator lines of an open dialog (the editor emits them as its own message).
using Sink = std::function<void(const QString& text, bool show)>;

// The editor's contour settings that the settings dialog shows.
struct ContourSettings {
    bool testMove = false;
    bool showIf = false;
    bool showIx = false;
    bool showIy = false;
    float If = 700;
    float Ix = 0;
    float Iy = 0;
    float centreX = 0;
    float centreY = 0;
};

// The templates menu's "Сварка" (tacks false) or "Прихватки" (tacks true): the circular template
// for a scheme with a diameter, else the linear one, opened below `button`.
void runTemplate(TechEditor& editor, QWidget* button, bool tacks, const Sink& sink);

// The settings button: the contour settings dialog loaded with `current` and the scheme's
// diameter and plane. Without a scheme it opens nothing and returns false.
bool runSettings(TechEditor& editor, QWidget* button, const ContourSettings& current,
                 const Sink& sink);

// The add-point button: the add-contour-point dialog for the contour's point and pass counts
// (their whole parts). Without a scheme it opens nothing and returns false.
bool runAddContourPoint(TechEditor& editor, QWidget* button, const Sink& sink);

// A press on the sweep cell of a technology row of `table`: the sweep dialog loaded from the
// cell, and the cell changed by the button that closed it. True when the cell changed.
bool runRaster(QTableWidget* table, QTableWidgetItem* cell);

// The frame-parameter dialog of contour row `row`, loaded from its "Параметры" cell.
void runContourParams(TechEditor& editor, int row, const QTableWidgetItem& cell, QWidget* table);

}  // namespace TechDialogs
