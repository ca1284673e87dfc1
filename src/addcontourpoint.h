#pragma once

#include <QDialog>

#include "ui_addcontourpoint.h"

class TechEditor;

// The dialog "Добавление точки контура": puts technology rows at the path positions of one
// contour point or of every point, on one pass or on every pass, through the editor's
// addContourPoint. The choice is kept in the settings group "ContourPoint" (Number, Rotate,
// AllPoint, AllRotate), read when the dialog is built and written when it is destroyed.
class AddContourPoint : public QDialog, private Ui::AddContourPoint
{
    Q_OBJECT

public:
    // points (N) and passes (R) are the contour's counts; `parent` is the opening button.
    AddContourPoint(TechEditor* contour, int points, int passes, QWidget* parent);
    ~AddContourPoint() override;

    // Number entry of a label: clamped up to min, then down to max, made whole.
    void numpad(PoLabel* label, const QString& title, float min, float max, int decimals);

signals:
    void message(const QString& text, bool show);

private slots:
    void on_cbAllPoints_stateChanged(int state);
    void slotRadioButtonClicked();
    void on_pointNumber_clicked();
    void on_rotateNumber_clicked();
    void on_pbAdd_clicked();

private:
    TechEditor* const m_contour;
    const int m_points;
    const int m_passes;
};
