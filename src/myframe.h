#pragma once

#include <QFrame>
#include <QPoint>
#include <QPointer>
#include <QRect>

class QDialog;
class QLabel;
class QMouseEvent;
class QPushButton;

// Frameless window that hosts a dialog under its own title bar (a word-wrapped title and a
// large close button). It is dragged by its title, starts inside the screen and deletes itself
// when its dialog is destroyed.
class MyFrame : public QFrame
{
    Q_OBJECT

public:
    static constexpr int TitleHeight = 56;
    // The smallest point size a long title shrinks to.
    static constexpr int MinTitlePoints = 9;
    static constexpr int ScreenWidth = 1920;
    static constexpr int ScreenHeight = 1200;

    MyFrame(QString title, int x, int y, int border, QDialog* dialog, QWidget* parent,
            bool windowModal, bool show);
    ~MyFrame() override;

    int title_height() const { return TitleHeight; }

    // The frame's geometry for a dialog of the given size at the requested position, with the
    // frame line width lw: the size grows by the border, the lines and the title bar, and the
    // position is moved into the screen.
    static QRect placement(int x, int y, int border, int lineWidth, const QSize& dialogSize);

    // A window of this size at the requested top-left corner, moved inside the screen; one larger
    // than the screen ends at its right or bottom edge, starting off screen.
    static QRect onScreen(const QPoint& topLeft, const QSize& size);

    QLabel* titleLabel() const { return m_title; }
    QPushButton* closeButton() const { return m_close; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QLabel* m_title = nullptr;
    bool m_dragging = false;
    int m_offsetX = 0;
    int m_offsetY = 0;
    QPushButton* m_close = nullptr;
    QPointer<QDialog> m_dialog;
};
