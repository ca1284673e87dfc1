#include "mywinstyle.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyleOptionButton>

QPixmap* MyWinStyle::s_corners[18] = {};
bool MyWinStyle::s_bPixmapsLoaded = false;

namespace {

const char* const kPieces[9] = {"top_left", "top",    "top_right",
                                "left",     "mid",    "right",
                                "bottom_left", "bottom", "bottom_right"};

}  // namespace

MyWinStyle::MyWinStyle() : QProxyStyle()
{
    if (s_bPixmapsLoaded)
        return;
    for (int i = 0; i < 9; ++i) {
        const QString piece = QString::fromLatin1(kPieces[i]) + QStringLiteral(".png");
        loadCornerPixmap(i, QStringLiteral(":/images/style/up_") + piece);
        loadCornerPixmap(9 + i, QStringLiteral(":/images/style/down_") + piece);
    }
    s_bPixmapsLoaded = true;
}

void MyWinStyle::loadCornerPixmap(int index, const QString& path)
{
    // Kept until the program ends, like the style itself.
    s_corners[index] = new QPixmap(path);
}

const QPixmap* MyWinStyle::corner(int index)
{
    return (index >= 0 && index < 18) ? s_corners[index] : nullptr;
}

void MyWinStyle::polish(QWidget* widget)
{
    if (!widget || !widget->inherits("QPushButton"))
        return;
    const QString name = widget->objectName();
    const bool red = name == QLatin1String("sbShutdown") || name == QLatin1String("pbStop")
                     || name == QLatin1String("pbStopGoPoint");
    QPalette pal = widget->palette();
    pal.setBrush(QPalette::All, QPalette::Button, red ? QColor(255, 32, 32) : QColor(158, 172, 255));
    pal.setBrush(QPalette::All, QPalette::ButtonText, red ? QColor(Qt::white) : QColor(Qt::black));
    pal.setBrush(QPalette::All, QPalette::Highlight, QColor(0, 214, 255));
    pal.setBrush(QPalette::All, QPalette::HighlightedText, QColor(Qt::black));
    widget->setPalette(pal);
}

QPainterPath MyWinStyle::getRoundRect(const QRect& r) const
{
    const int left = r.left();
    const int top = r.top();
    const int right = r.right();
    const int bottom = r.bottom();
    QPainterPath path;
    path.moveTo(right - 4, top);
    path.arcTo(QRectF(right - 8, top, 8, 8), 90, -90);
    path.lineTo(right, bottom - 4);
    path.arcTo(QRectF(right - 8, bottom - 8, 8, 8), 0, -90);
    path.lineTo(left + 4, bottom);
    path.arcTo(QRectF(left, bottom - 8, 8, 8), 270, -90);
    path.lineTo(left, top + 4);
    path.arcTo(QRectF(left, top, 8, 8), 180, -90);
    path.closeSubpath();
    return path;
}

void MyWinStyle::drawBevel(QPainter* painter, const QRect& r, int base) const
{
    const int left = r.left();
    const int top = r.top();
    const int right = r.right();
    const int bottom = r.bottom();
    auto image = [base](int i) -> const QPixmap& {
        static const QPixmap none;
        const QPixmap* pm = s_corners[base + i];
        return pm ? *pm : none;
    };
    auto tile = [painter](const QRect& area, const QPixmap& pm, const QPoint& origin) {
        if (pm.isNull() || area.isEmpty())
            return;
        const QPointF saved = painter->brushOrigin();
        painter->setBrushOrigin(origin);
        painter->fillRect(area, QBrush(pm));
        painter->setBrushOrigin(saved);
    };

    painter->drawPixmap(left, top, image(0));
    painter->drawPixmap(right - 10, top, image(2));
    painter->drawPixmap(left, bottom - 10, image(6));
    painter->drawPixmap(right - 10, bottom - 10, image(8));

    const bool wide = right - left > 19;
    const bool tall = bottom - top >= 20;
    if (wide) {
        tile(QRect(QPoint(left + 10, top), QPoint(right - 11, top + 9)), image(1), QPoint(0, 0));
        tile(QRect(QPoint(left + 10, bottom - 10), QPoint(right - 11, bottom - 1)), image(7),
             QPoint(0, bottom - 10));
    }
    if (tall) {
        tile(QRect(QPoint(left, top + 10), QPoint(left + 9, bottom - 11)), image(3), QPoint(0, 0));
        tile(QRect(QPoint(right - 10, top + 10), QPoint(right - 1, bottom - 11)), image(5),
             QPoint(right - 10, 0));
    }
    if (wide && tall)
        tile(QRect(QPoint(left + 10, top + 10), QPoint(right - 11, bottom - 11)), image(4),
             QPoint(0, 0));
}

void MyWinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const
{
    switch (element) {
    case PE_FrameDefaultButton:
        return;
    case PE_PanelButtonCommand: {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (!button)
            break;
        const QRect r = option->rect;
        const bool flat = button->features & QStyleOptionButton::Flat;
        const bool isDefault = button->features & QStyleOptionButton::DefaultButton;
        const bool enabled = option->state & State_Enabled;
        const QPalette& pal = option->palette;

        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        const QPainterPath path = getRoundRect(r);
        QBrush brush;
        if (flat)
            brush = pal.brush(QPalette::Active, QPalette::Window);
        else if (!enabled)
            brush = pal.brush(QPalette::Disabled, QPalette::Button);
        else if (option->state & State_On)
            brush = pal.brush(QPalette::Highlight);
        else if (option->state & State_Active)
            brush = pal.brush(QPalette::Active, QPalette::Button);
        else
            brush = pal.brush(QPalette::Inactive, QPalette::Button);
        painter->fillPath(path, brush);
        if (!enabled)
            painter->fillRect(r, QColor(180, 180, 180));
        if (!flat)
            drawBevel(painter, r, (option->state & (State_Sunken | State_On)) ? 9 : 0);
        if (isDefault) {
            painter->strokePath(path, QPen(Qt::darkBlue, 2));
        } else if (flat) {
            painter->strokePath(path, painter->pen());
        }
        painter->restore();
        return;
    }
    case PE_FrameMenu:
    case PE_PanelMenu: {
        const QRect r = option->rect;
        QLinearGradient gradient(r.left(), 0, r.right(), 0);
        gradient.setColorAt(0, QColor(Qt::yellow).lighter(190));
        gradient.setColorAt(1, Qt::white);
        painter->fillRect(r, gradient);
        return;
    }
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

int MyWinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                            const QWidget* widget) const
{
    if (metric == PM_SmallIconSize)
        return 50;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
