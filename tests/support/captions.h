#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Finds the captions that the screen cuts off.
//
// Paints `root` once (as the screen would), then walks it and every descendant that is not hidden, and measures each caption with the
// widget's own font against the room its widget gives it: a label's contents rectangle less its
// margin and indent, a button's contents rectangle less its icon, a combo box's edit field. A line that is wider than the room is a fault, and so are lines whose
// glyphs reach past the room's top or bottom; in a word-wrapped label, a word that is wider than
// the room. Labels that show a picture, rich text and empty captions are passed over.
//
// A caption must also measure the same on any machine: a widget whose font is drawn in a family
// other than the console's own (consoleFamilies()), or a caption with a character that its font has
// no glyph for, is a fault, since the machine's other fonts then decide how wide and tall it is.
//
// Each fault is one line that names where it is, the widget (class and object path from `root`),
// the text and the room in pixels, for example:
//     axisinfo.ui: QPushButton AxisInfo/frmReference/pbReference "Выполнить": 104 px wide in 94
// `where` starts each line (a form file, a dialog).
//
// `AsShown` also looks at the stacking, for a window as the code leaves it on the screen: glyphs
// under a sibling stacked above (a filled background, a button, a frame's border) or outside a
// parent that clips them are cut too; a widget that such a sibling covers whole is hidden by
// design and passed over. A designer form is measured `InOwnRoom` only: some of its widgets
// overlap until the code hides or moves them.
enum class CaptionRoom { InOwnRoom, AsShown };
QStringList clippedCaptions(QWidget* root, const QString& where, CaptionRoom scope = CaptionRoom::AsShown);
