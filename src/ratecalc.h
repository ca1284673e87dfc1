#pragma once

#include <QDialog>

#include "ui_ratecalc.h"

class PoLabel;

// The speed calculator: one weld speed as mm/min, m/h and degrees/min at a diameter. Changing
// one field recomputes the others; the four values are kept in the settings between openings.
class RateCalc : public QDialog, private Ui::RateCalc
{
    Q_OBJECT

public:
    // The calculator opens in its frame at the anchor's bottom-left corner.
    explicit RateCalc(QWidget* anchor);
    ~RateCalc() override;

    enum Source { FromLinRate1 = 0, FromLinRate2 = 1, FromAngleRate = 2 };

    // The speeds that follow from one changed field at diameter d (mm). A result that the
    // diameter cannot give (d = 0 for a linear source) is left as it was.
    struct Rates {
        float linRate1;   // mm/min
        float linRate2;   // m/h
        float angleRate;  // degrees/min
    };
    static Rates compute(int source, float value, float diameter, Rates current);

    // The field's value plus or minus step, within [min, max].
    void crement(PoLabel* label, float min, float max, float step, int decimals, bool up);
    void range(PoLabel* label, float min, float max, float value, int decimals);
    // Asks the number pad for the field's value; a cancelled pad leaves the field as it is.
    void numpad(PoLabel* label, const QString& caption, float min, float max, int decimals);
    void calcAllRate(int source, float value);

private slots:
    void on_lblLinRate1_clicked();
    void on_LinRate1_clicked();
    void on_pbLinRate1Minus_clicked();
    void on_pbLinRate1Plus_clicked();
    void on_lblLinRate2_clicked();
    void on_LinRate2_clicked();
    void on_pbLinRate2Minus_clicked();
    void on_pbLinRate2Plus_clicked();
    void on_lblAngleRate_clicked();
    void on_AngleRate_clicked();
    void on_pbAngleRateMinus_clicked();
    void on_pbAngleRatePlus_clicked();
    void on_lblDiam_clicked();
    void on_Diam_clicked();
    void on_pbDiamMinus_clicked();
    void on_pbDiamPlus_clicked();
};
