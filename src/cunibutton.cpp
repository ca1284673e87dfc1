#include "cunibutton.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

enum class Look { Disabled, Normal, Hovered, HoveredPressed };

// Gradient from 15 % of the height down to the bottom.
QLinearGradient vertical(int h, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(0, 0.15 * h, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

// Gradient across the width: edge colour, centre colour, edge colour.
QLinearGradient horizontal(int w, int h, const QColor& edge, const QColor& centre)
{
    QLinearGradient g(0, h / 2.0, w, h / 2.0);
    g.setColorAt(0, edge);
    g.setColorAt(0.5, centre);
    g.setColorAt(1, edge);
    return g;
}

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

}  // namespace

CUniButton::CUniButton(int type) : QWidget(nullptr), m_type(type)
{
    setFixedSize(sizeForType(type));
}

QSize CUniButton::sizeForType(int type)
{
    if (type >= 9 && type <= 12)
        return QSize(37, 37);
    if (type == 13)
        return QSize(30, 30);
    return QSize(19, 19);
}

void CUniButton::setChecked(bool checked)
{
    if (!latching())
        return;
    m_pressed = checked;
    if (checked)
        emit clicked();
    repaint();
}

void CUniButton::setAlpha(float alpha)
{
    m_alpha = alpha;
    repaint();
}

void CUniButton::enterEvent(QEvent*)
{
    m_hover = true;
    repaint();
}

void CUniButton::leaveEvent(QEvent*)
{
    m_hover = false;
    repaint();
}

void CUniButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (latching()) {
        if (!m_pressed) {
            m_pressed = true;
            emit clicked();
        }
    } else {
        m_pressed = true;
    }
    repaint();
}

void CUniButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || latching()) {
        event->ignore();
        return;
    }
    // Only a release that ends a press on this button is a click.
    if (!m_pressed)
        return;
    m_pressed = false;
    repaint();
    emit clicked();
}

void CUniButton::paintEvent(QPaintEvent*)
{
    const int w = width();
    const int h = height();
    const bool enabled = isEnabled();
    const int a = qBound(0, int(m_alpha * 255), 255);

    Look look = Look::Normal;
    if (m_hover)
        look = m_pressed ? Look::HoveredPressed : Look::Hovered;
    const bool testsDisabled = (m_type >= 0 && m_type <= 7) || m_type == 11 || m_type == 12
                               || m_type == 14;
    if (testsDisabled && !enabled)
        look = Look::Disabled;

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);

    // ---- body
    QPen outline(QColor(112, 112, 112), 1);
    QLinearGradient fill;
    switch (m_type) {
    case 9:
    case 10:
        outline.setColor(QColor(112, 112, 112, a));
        switch (look) {
        case Look::Hovered: fill = vertical(h, QColor(255, 255, 255, a), QColor(250, 250, 250, a)); break;
        case Look::HoveredPressed: fill = vertical(h, QColor(209, 209, 209, a), QColor(227, 227, 227, a)); break;
        default: fill = vertical(h, QColor(255, 255, 255, a), QColor(209, 209, 209, a)); break;
        }
        break;
    case 11:
        outline.setColor(QColor(64, 64, 64));
        switch (look) {
        case Look::Disabled: fill = horizontal(w, h, QColor(179, 206, 179), QColor(64, 151, 64)); break;
        case Look::Hovered: fill = horizontal(w, h, QColor(0, 230, 0), QColor(0, 168, 0)); break;
        case Look::HoveredPressed: fill = horizontal(w, h, QColor(0, 170, 0), QColor(0, 108, 0)); break;
        case Look::Normal: fill = horizontal(w, h, QColor(0, 190, 0), QColor(0, 128, 0)); break;
        }
        break;
    case 12:
        outline.setColor(QColor(255, 64, 64));
        switch (look) {
        case Look::Disabled: fill = horizontal(w, h, QColor(217, 195, 195), QColor(210, 115, 115)); break;
        case Look::Hovered: fill = horizontal(w, h, QColor(255, 60, 60), QColor(255, 10, 10)); break;
        case Look::HoveredPressed: fill = horizontal(w, h, QColor(255, 0, 0), QColor(192, 64, 64)); break;
        case Look::Normal: fill = horizontal(w, h, QColor(255, 100, 100), QColor(255, 0, 0)); break;
        }
        break;
    case 13:
        outline = QPen(QColor(224, 47, 47), 2);
        switch (look) {
        case Look::Hovered: fill = horizontal(w, h, QColor(255, 213, 213), QColor(255, 203, 203)); break;
        case Look::HoveredPressed: fill = horizontal(w, h, QColor(225, 99, 99), QColor(230, 102, 102)); break;
        default: fill = horizontal(w, h, QColor(249, 163, 163), QColor(239, 163, 163)); break;
        }
        break;
    default: {
        const int fa = m_type == 8 ? 180 : 255;
        switch (look) {
        case Look::Disabled: fill = vertical(h, QColor(0, 0, 0, 30), Qt::white); break;
        case Look::Hovered: fill = vertical(h, withAlpha(Qt::white, fa), QColor(0, 146, 246, fa)); break;
        case Look::HoveredPressed: fill = vertical(h, QColor(209, 209, 209, fa), QColor(227, 227, 227, fa)); break;
        case Look::Normal: fill = vertical(h, withAlpha(Qt::white, fa), QColor(209, 209, 209, fa)); break;
        }
        break;
    }
    }
    p.setPen(outline);
    p.setBrush(fill);
    if (m_type == 13) {
        if (m_pressed)
            p.drawEllipse(QRect(2, 2, w - 3, h - 3));
        else
            p.drawEllipse(QRect(0, 0, w - 1, h - 1));
    } else {
        const QRect body = m_pressed ? QRect(1, 1, w - 2, h - 2) : QRect(0, 0, w - 2, h - 2);
        p.drawRoundedRect(body, 3, 3);
    }

    // ---- glyph
    p.setBrush(Qt::NoBrush);
    const bool disabledGlyph = look == Look::Disabled && m_type != 6 && m_type != 7;
    QColor colour = m_pressed ? QColor(79, 168, 6) : QColor(Qt::black);
    if (m_type == 11 || m_type == 12)
        colour = Qt::white;
    int shift = m_pressed ? 1 : 0;
    if (disabledGlyph) {
        colour = m_type <= 3 ? QColor(150, 150, 150) : QColor(182, 182, 182);
        shift = 0;
    }
    p.translate(shift, shift);
    const int r = int(0.56 * (w / 2));
    const QRect ring(w / 2 - r, h / 2 - r, 2 * r, 2 * r);
    auto pen = [&p, &colour](int width) { p.setPen(QPen(colour, width)); };

    switch (m_type) {
    case 0:
        pen(2);
        p.drawLine(QLine(int(w / 2.0), int(0.3 * h), int(w / 2.0), int(0.7 * h)));
        break;
    case 1:
    case 12:
        pen(m_type == 1 ? 2 : 3);
        p.drawEllipse(ring);
        break;
    case 2:
        pen(3);
        p.drawLine(QLine(int(0.3 * w), int(h / 2.0), int(0.7 * w), int(h / 2.0)));
        break;
    case 3:
        pen(2);
        p.drawLine(QLine(int(0.3 * w), int(0.3 * h), int(0.7 * w), int(0.7 * h)));
        p.drawLine(QLine(int(0.7 * w), int(0.3 * h), int(0.3 * w), int(0.7 * h)));
        break;
    case 4: {
        pen(3);
        QPainterPath path(QPointF(0.3 * w, 0.7 * h));
        path.lineTo(0.3 * w, 0.3 * h + 2);
        path.arcTo(QRectF(0.3 * w, 0.3 * h, 4, 4), 180, -90);
        path.lineTo(0.7 * w, 0.3 * h);
        p.drawPath(path);
        break;
    }
    case 5: {
        pen(3);
        QPainterPath path(QPointF(0.3 * w, 0.3 * h));
        path.lineTo(0.7 * w - 2, 0.3 * h);
        path.arcTo(QRectF(0.7 * w - 4, 0.3 * h, 4, 4), 90, -90);
        path.lineTo(0.7 * w, 0.7 * h);
        p.drawPath(path);
        break;
    }
    case 6:
    case 7: {
        pen(2);
        const double cx = w / 2;
        const double cy = h / 2;
        const QRectF square(cx - 4, cy - 4, 8, 8);
        const double d = m_type == 6 ? 1 : -1;  // the head's side
        QPainterPath path;
        path.arcMoveTo(square, 270);
        path.arcTo(square, 270, m_type == 6 ? -270 : 270);
        path.moveTo(cx + d * 4, cy + 2);
        path.lineTo(cx + d * 2, cy);
        path.lineTo(cx + d * 6, cy);
        path.lineTo(cx + d * 4, cy + 2);
        p.drawPath(path);
        break;
    }
    case 8:
        colour.setAlpha(180);
        pen(2);
        p.drawEllipse(ring);
        break;
    case 9:
    case 10: {
        p.translate(-shift, -shift);
        QFont f = font();
        f.setPixelSize(10);
        f.setWeight(75);
        p.setFont(f);
        p.setPen(m_type == 9 ? QColor(64, 128, 0, a) : QColor(255, 0, 0, a));
        const QRect box = m_pressed ? QRect(1, 1, w - 2, h - 2) : QRect(0, 0, w - 2, h - 2);
        p.drawText(box, Qt::AlignCenter,
                   m_type == 9 ? QStringLiteral("АВТ.") : QStringLiteral("РУЧ."));
        break;
    }
    case 11:
        pen(3);
        p.drawLine(QLine(int(w / 2.0), int(0.25 * h), int(w / 2.0), int(0.75 * h)));
        break;
    case 13: {
        p.translate(-shift, -shift);
        const bool hoverPressed = look == Look::HoveredPressed;
        colour = (m_hover && !m_pressed) ? QColor(231, 82, 82) : QColor(224, 47, 47);
        pen(3);
        const int lift = hoverPressed ? 2 : 0;
        p.drawLine(QLine(int(0.3 * w) + lift, int(0.3 * h) + lift, int(0.7 * w), int(0.7 * h)));
        p.drawLine(QLine(int(0.3 * w) + lift, int(0.7 * h), int(0.7 * w), int(0.3 * h) + lift));
        break;
    }
    default:
        break;  // type 14 and unknown types: body only
    }
}
