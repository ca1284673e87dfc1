#pragma once

// Drawing helpers and palette shared by the picture sets of the image generator.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

#include <functional>

namespace Draw {

// ---- palette of the set ---------------------------------------------------------------------
inline const QColor kKey(46, 98, 186);
inline const QColor kKeyEdge(24, 58, 122);
inline const QColor kRed(214, 48, 48);
inline const QColor kRedEdge(140, 24, 24);
inline const QColor kGreen(40, 160, 72);
inline const QColor kGreenEdge(22, 100, 44);
inline const QColor kYellow(240, 196, 40);
inline const QColor kInk(34, 40, 52);
inline const QColor kSteel(112, 124, 140);
inline const QColor kSteelDark(66, 76, 90);

using Painter = std::function<void(QPainter&, int w, int h)>;

// The output folder and the count of pictures written so far.
void setOutputDir(const QString& dir);
int written();

// Draws a w x h transparent picture with paint and writes it as PNG under the output folder
// (name may hold subfolders); ends the program when it cannot be written.
void save(const QString& name, int w, int h, const Painter& paint);

QFont font(int pixels, bool bold = true);
void text(QPainter& p, const QRectF& box, const QString& s, int pixels, const QColor& colour);
// A flat rounded body with a darker rim and a light band at the top.
void body(QPainter& p, const QRectF& r, qreal radius, const QColor& fill, const QColor& edge);
void disc(QPainter& p, const QRectF& r, const QColor& fill, const QColor& edge, qreal rim = 2);
QPen stroke(const QColor& c, qreal width);
// A check mark or a cross inside the square r.
void check(QPainter& p, const QRectF& r, const QColor& c, qreal width);
void cross(QPainter& p, const QRectF& r, const QColor& c, qreal width, qreal inset = 0.3);
// An arrow pointing right, centred in r, drawn as one filled shape.
QPainterPath arrowRight(const QRectF& r);

// ---- the picture sets, one source file each -------------------------------------------------
void vacuum();

}  // namespace Draw
