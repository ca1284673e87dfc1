#pragma once

#include <QWidget>

// Small self-painted button: a rounded (or, for the close type 13, round) body with a gradient
// and a glyph chosen by its type 0..14. Types 6 and 7 latch on a press; the others emit
// clicked() on the release that follows a left press.
class CUniButton : public QWidget
{
    Q_OBJECT

public:
    explicit CUniButton(int type);

    int type() const { return m_type; }
    bool isHovered() const { return m_hover; }
    bool isPressed() const { return m_pressed; }
    float alpha() const { return m_alpha; }

    // The fixed size of a type: 19 × 19, 37 × 37 for types 9 to 12, 30 × 30 for type 13.
    static QSize sizeForType(int type);

    // Latched state of types 6 and 7 (no effect on other types); true emits clicked().
    void setChecked(bool checked);
    // Opacity of types 9 and 10.
    void setAlpha(float alpha);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool latching() const { return m_type == 6 || m_type == 7; }

    int m_type;
    bool m_hover = false;
    bool m_pressed = false;
    float m_alpha = 1.0f;
};
