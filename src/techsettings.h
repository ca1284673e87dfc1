#pragma once

#include <QDialog>

#include "ui_techsettings.h"

class TechEditor;

// The dialog "Настройки контура": manual current control (test move), the default focus and
// deflection currents with the choice of showing their columns, and for the circular-interpolation
// scheme the seam diameter and plane. The editor loads it before exec(); "Принять" hands the nine
// values to the editor and, when the diameter changed, has it move the contour points onto the
// new circle. It stores nothing itself.
class TechSettings : public QDialog, private Ui::TechSettings
{
    Q_OBJECT

public:
    // `button` is the editor's settings button: the dialog hangs below it, to its left.
    TechSettings(TechEditor* contour, QWidget* button);

public slots:
    void setTestMove(bool on);
    void setFocusUse(bool on);
    void setYokeXUse(bool on);
    void setYokeYUse(bool on);
    void setFocusSettle(float value);
    void setYokeXSettle(float value);
    void setYokeYSettle(float value);
    // Diameter and centre (shown with 2 decimals) and the plane: 0 X-Y, 1 X-Z, any other Y-Z.
    void setRoundParams(float d, float x, float y, int plane);

signals:
    // A notice for each accepted entry, without a severity prefix; always shown.
    void message(const QString& text, bool show);

private slots:
    void on_If_clicked();
    void on_Ix_clicked();
    void on_Iy_clicked();
    void on_diameter_clicked();
    void on_pbPlaneXY_clicked();
    void on_pbPlaneXZ_clicked();
    void on_pbPlaneYZ_clicked();
    void on_pbSettingsDone_clicked();
    void on_pbSettingsCancel_clicked();

private:
    // Number entry of a current: stores and shows the entered value and emits its notice.
    void enterCurrent(PoLabel* label, const QString& title, int decimals, float* value,
                      const QString& notice);
    // Stores the plane code and checks its button alone (Y-Z for any code but 0 and 1).
    void selectPlane(int plane);

    TechEditor* const m_editor;
    float m_If = 0;
    float m_Ix = 0;
    float m_Iy = 0;
    float m_diameter = 0;
    int m_plane = 0;
};
