#pragma once

#include <QDialog>
#include <QString>

#include "ui_numpad.h"

class QKeyEvent;

// The touch number pad: fifteen image keys and a display, hosted in its own frame just below the
// touched field. It edits the display text (an optional leading "-", at most seven digits, at
// most one ".") and converts it on Enter; it knows no limits: the caller clamps what value()
// returns after an accepted exec(). Physical keys follow the same rules as the keys on screen;
// the display itself is read-only and never takes the focus.
class Numpad : public QDialog
{
    Q_OBJECT

public:
    // value > 0 is shown as the start text; the frame opens at the anchor's bottom-left corner
    // (at the cursor without an anchor). noDecimal / noSign disable the "." and sign keys;
    // password hides the typed text.
    Numpad(const QString& title, QWidget* anchor, float value, bool noDecimal, bool noSign,
           bool password);
    ~Numpad() override;

    // The number that Enter accepted (0 until then).
    double value() const { return m_value; }
    // Enter accepted a number: an empty display (or a lone sign or point) holds none, and value()
    // then reads 0 without the operator having entered it.
    bool hasNumber() const { return m_hasNumber; }
    // The display text.
    QString getValue() const;
    void setValue(const QString& text);

    static constexpr int MaxDigits = 7;

protected:
    void keyPressEvent(QKeyEvent* event) override;

public slots:
    void numPressed(const QString& digit);

private slots:
    void on_pb0_clicked();
    void on_pb1_clicked();
    void on_pb2_clicked();
    void on_pb3_clicked();
    void on_pb4_clicked();
    void on_pb5_clicked();
    void on_pb6_clicked();
    void on_pb7_clicked();
    void on_pb8_clicked();
    void on_pb9_clicked();
    void on_pbSign_clicked();
    void on_pbDecimal_clicked();
    void on_pbClear_clicked();
    void on_pbDelete_clicked();
    void on_pbEnter_clicked();

private:
    // Draws the display's text in the largest size up to the pad's own (30 pt, 24 pt for a
    // hidden code) at which the whole text fits the display, so that a long entry is never
    // scrolled and its sign never hidden, whichever font the display's family resolves to.
    void fitDisplayText();
    int displayRoom() const;

    Ui::Numpad ui;
    int m_displaySize = 30;
    double m_value = 0;
    bool m_hasNumber = false;
    bool m_noDecimal = false;
    bool m_noSign = false;
    bool m_password = false;
};
