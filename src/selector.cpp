#include "selector.h"

#include <QMouseEvent>

#include <algorithm>

#include "myframe.h"
#include "numpad.h"

namespace {

constexpr float kLowest = 0.1f;

}  // namespace

Selector::Selector(const QString& name, const QString& units, const QList<float>& presets,
                   const QString& freeText, int decimals, QWidget* parent)
    : QDialog(parent), m_name(name), m_units(units), m_anchor(parent)
{
    setupUi(this);
    // A wrong preset list is a programming error that must not slip through a release build.
    if (presets.size() != PresetCount)
        qFatal("Selector: %d speed presets instead of %d", int(presets.size()), PresetCount);

    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setMouseTracking(true);
    frame->setMouseTracking(true);
    setModal(true);
    // Below the anchor, kept inside the screen as the framed dialogs are: the speed labels sit
    // at the right edge, where a popup of this width would leave the screen.
    if (m_anchor)
        move(MyFrame::onScreen(m_anchor->mapToGlobal(QPoint(0, m_anchor->height())), size()).topLeft());
    show();
    grabMouse();

    m_normal = lbl0->palette();
    m_highlight = m_normal;
    m_highlight.setColor(QPalette::Window, QColor(65, 121, 205));
    m_highlight.setColor(QPalette::WindowText, Qt::white);

    QLabel* const labels[PresetCount] = {lbl0, lbl1, lbl2, lbl3, lbl4, lbl5};
    for (int i = 0; i < PresetCount; ++i) {
        labels[i]->setMouseTracking(true);
        labels[i]->setText(QString::number(double(presets.at(i)), 'f', decimals));
    }
    lblAny->setMouseTracking(true);
    lblAny->setText(freeText);
    m_maximum = presets.at(PresetCount - 1);
}

void Selector::range(float value, float low, float high)
{
    // A value that is not a number takes the lower bound.
    m_value = std::min(value >= low ? value : low, high);
}

void Selector::mouseMoveEvent(QMouseEvent* event)
{
    QWidget* under = childAt(event->localPos().toPoint());
    if (m_hovered && under == m_hovered)
        return;
    if (m_hovered) {
        m_hovered->setPalette(m_normal);
        m_hovered = nullptr;
    }
    if (under && under != frame) {
        under->setPalette(m_highlight);
        m_hovered = under;
    }
}

void Selector::mousePressEvent(QMouseEvent* event)
{
    releaseMouse();
    hide();
    QWidget* under = childAt(event->localPos().toPoint());
    for (QLabel* preset : {lbl0, lbl1, lbl2, lbl3, lbl4, lbl5}) {
        if (under == preset) {
            // The speed as shown, not the unrounded preset.
            m_value = preset->text().toFloat();
            chosen();
            return;
        }
    }
    if (under == lblAny) {
        Numpad pad(QStringLiteral("Скорость"), m_anchor, 0.0f, false, true, false);
        if (pad.exec() != QDialog::Accepted) {
            reject();
            return;
        }
        range(float(pad.value()), kLowest, m_maximum);
        chosen();
        return;
    }
    reject();
}

void Selector::chosen()
{
    emit message(QStringLiteral("[I]Установлена скорость %1 %2/мин для оси %3")
                     .arg(QString::number(double(m_value), 'g', 6), m_units, m_name),
                 true);
    accept();
}
