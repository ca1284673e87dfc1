#include "widgets.h"

#include "genericlink.h"

#include <QMouseEvent>
#include <QPalette>

#include <cmath>
#include <limits>

// ---- PoLabel ---------------------------------------------------------------------------------

PoLabel::PoLabel(QWidget* parent) : QLabel(parent) {}

QString PoLabel::formatValue(float value, float coeff, int decimals)
{
    // The product is taken in single precision, as the value arrives, and only then widened.
    const float scaled = value * coeff;
    const double x = double(scaled);
    if (decimals > 2)
        return QString::number(x, 'E', 1);
    return QString::number(x, 'f', decimals < 0 ? 0 : decimals);
}

void PoLabel::refresh(int decimals)
{
    setText(formatValue(m_value, m_coeff, decimals));
}

void PoLabel::setValue(float value, int decimals)
{
    m_value = value;
    refresh(decimals);
}

void PoLabel::changedValue(float value)
{
    m_value = value;
    refresh(m_decimals);
}

void PoLabel::setDepth(int decimals)
{
    m_decimals = decimals;
}

void PoLabel::setCoeff(float coeff)
{
    m_coeff = coeff;
    refresh(m_decimals);
}

void PoLabel::setElement(Element* element)
{
    m_decimals = element->dec();
    connect(element, QOverload<float>::of(&Element::numberValChanged), this, &PoLabel::changedValue);
    if (!element->isVariable())
        connect(element, QOverload<bool>::of(&Element::validChanged), this, &PoLabel::changedValid);
}

void PoLabel::changedValid(bool valid)
{
    QPalette pal = palette();
    if (!m_paletteSaved) {
        m_savedText = pal.color(pal.currentColorGroup(), QPalette::WindowText);
        m_savedBackground = pal.color(pal.currentColorGroup(), QPalette::Window);
        m_paletteSaved = true;
    }
    showValidity(this, valid, m_savedText, m_savedBackground);
}

void showValidity(QWidget* widget, bool valid, const QColor& validText, const QColor& validBackground)
{
    QPalette pal = widget->palette();
    const QColor text = valid ? validText : QColor(Qt::black);
    const QColor background = valid ? validBackground : invalidBackground();
    pal.setBrush(QPalette::All, QPalette::WindowText, QBrush(text, Qt::SolidPattern));
    pal.setBrush(QPalette::All, QPalette::Window, QBrush(background, Qt::SolidPattern));
    widget->setPalette(pal);
}

void PoLabel::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    emit clicked();
}

// ---- PoSprite --------------------------------------------------------------------------------

PoSprite::PoSprite(QWidget* parent) : QLabel(parent) {}

void PoSprite::addPixmap(int state, const QString& fileName)
{
    m_mapPixmaps.insert(state, QPixmap(fileName));
}

void PoSprite::setSprite(int state)
{
    const auto it = m_mapPixmaps.constFind(state);
    if (it == m_mapPixmaps.constEnd())
        return;
    if (it->isNull())
        clear();
    else
        setPixmap(*it);
}

void PoSprite::changedState(int state)
{
    setSprite(state);
}

void PoSprite::changedState(float state)
{
    // Truncated toward zero; a value no int can hold names no state and is ignored.
    if (!std::isfinite(state) || state <= float(std::numeric_limits<int>::min())
        || state >= float(std::numeric_limits<int>::max()))
        return;
    setSprite(int(state));
}

void PoSprite::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    emit clicked();
}

// ---- MyLabel ---------------------------------------------------------------------------------

MyLabel::MyLabel(QWidget* parent) : QLabel(parent) {}

void MyLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    emit clicked();
    if (m_button)
        move(pos() + QPoint(1, 1));
}

void MyLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_button)
        move(pos() - QPoint(1, 1));
}

// ---- MyListView ------------------------------------------------------------------------------

MyListView::MyListView(QWidget* parent) : QListView(parent) {}

void MyListView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
    emit signal_currentChanged(current.isValid() ? current.row() : -1);
}
