#pragma once

#include <QPainterPath>
#include <QProxyStyle>

// The console's widget style over the platform's default: push buttons are rounded panels with
// a textured nine-slice bevel (raised, or sunken when pressed or checked), blue by default and
// red for the stop and shutdown buttons; menus get a pale gradient; small icons are 50 px.
class MyWinStyle : public QProxyStyle
{
    Q_OBJECT

public:
    MyWinStyle();

    using QProxyStyle::polish;
    void polish(QWidget* widget) override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;

    // Nine-slice bevel over r: base 0 is the raised set, base 9 the sunken one.
    void drawBevel(QPainter* painter, const QRect& r, int base) const;
    // The outline of r with corners of radius 4.
    QPainterPath getRoundRect(const QRect& r) const;
    void freeResources() {}

    // The bevel picture of an index 0..17 (kept for the whole run).
    static const QPixmap* corner(int index);

private:
    static void loadCornerPixmap(int index, const QString& path);

    static QPixmap* s_corners[18];
    static bool s_bPixmapsLoaded;
};
