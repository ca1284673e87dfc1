#pragma once

#include <QDialog>
#include <QList>
#include <QPalette>
#include <QPointer>
#include <QString>

#include "ui_selector.h"

class QMouseEvent;

// The jog-speed popup: six preset speeds and a free entry, frameless, just below the touched
// speed label. It grabs the mouse from construction, so the first press anywhere on the screen
// ends it: a preset is chosen as shown on its label, the free entry asks the number pad (bounded
// to 0.1 .. the sixth preset), and any other press cancels.
class Selector : public QDialog, public Ui::Selector
{
    Q_OBJECT

public:
    static constexpr int PresetCount = 6;

    // Exactly six presets; any other count stops the program (in every build).
    Selector(const QString& name, const QString& units, const QList<float>& presets,
             const QString& freeText, int decimals, QWidget* parent);

    // The chosen speed; valid once exec() returned Accepted.
    float value() const { return m_value; }
    // Sets the chosen speed to value raised to low, then lowered to high.
    void range(float value, float low, float high);

signals:
    void message(const QString& text, bool isShow);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void chosen();

    const QString m_name;
    const QString m_units;
    QWidget* const m_anchor;
    QPointer<QWidget> m_hovered;
    QPalette m_normal;
    QPalette m_highlight;
    float m_value = 0.0f;
    float m_maximum = 0.0f;
};
