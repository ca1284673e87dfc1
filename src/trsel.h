#pragma once

#include <QDialog>
#include <QStringList>

#include "contourmodel.h"
#include "ui_trsel.h"

class QFont;
class QLabel;
class QMouseEvent;
class QTableWidgetItem;

// The dialog "Технологическая развертка": one of the 18 sweep figures and its parameters for
// one technology row. The editor loads it from the row's sweep cell, runs it and acts on the
// button that closed it: "Включить" stores the sweep, "Выключить" switches it off, "Оставить"
// empties the cell; closed through its frame, it changes nothing.
class TRSelect : public QDialog, public Ui::TRSelect
{
    Q_OBJECT

public:
    // The action that closed the dialog.
    enum Choice { None = -1, Clear = 0, On = 1, Off = 2 };

    // The sweep cell's text of a switched-off sweep.
    static const QString OffText;

    // The names of the sweep types in code order.
    static const QStringList& typeNames();
    // The name of a type code; a code outside the list shows as its number.
    static QString typeName(int code);

    // The sweep as the roles Qt::UserRole + 1 to + 9 of a sweep cell hold it.
    static RasterParams fromItem(const QTableWidgetItem& cell);
    static void toItem(const RasterParams& params, QTableWidgetItem& cell);
    // A set sweep: the roles, its text and the 9-point font of a sweep cell.
    static void setSweep(QTableWidgetItem& cell, const RasterParams& params);
    // What the dialog shows for an empty or switched-off cell.
    static RasterParams defaults();

    // Hosted in its frame at the cursor.
    explicit TRSelect(QWidget* parent);

    void setType(int code);
    int type() const { return m_type; }
    void setAmpX(float value);
    void setAmpY(float value);
    void setShiftX(float value);
    void setShiftY(float value);
    float ampX() const;
    float ampY() const;
    float shiftX() const;
    float shiftY() const;
    int choice() const { return m_choice; }

    // Loads a sweep cell: the defaults for an empty cell or one reading "ВЫКЛ", else its roles.
    void load(const QTableWidgetItem& cell);
    // The parameters shown, angle and frequency cut to whole numbers.
    RasterParams params() const;
    // Acts on choice() for the cell: On writes the roles, the text and a 9-point font; Off
    // writes "ВЫКЛ" in the table's font and keeps the roles; Clear empties the text; None
    // changes nothing. True when the cell was changed.
    bool apply(QTableWidgetItem& cell, const QFont& tableFont) const;

    // Number entry and steps of the value fields, for number labels and for plain text labels.
    void crement(PoLabel* field, float min, float max, float step, int decimals, bool up);
    void crement(QLabel* field, float min, float max, float step, int decimals, bool up);
    void numpad(PoLabel* field, const QString& title, float min, float max, int decimals);
    void numpad(QLabel* field, const QString& title, float min, float max, int decimals);
    // Writes value, clamped to min..max, into a plain label with the decimals.
    void range(QLabel* field, float value, float min, float max, int decimals);

protected:
    // Presses on the amplitude and shift fields and their captions open their number pads.
    void mousePressEvent(QMouseEvent* event) override;

private slots:
    void on_TRtype_clicked();
    void on_pbOn_clicked();
    void on_pbOff_clicked();
    void on_pbClear_clicked();

private:
    // The step and the number entry of the value field with this index in the field table.
    void step(int field, bool up);
    void enter(int field);

    int m_type = 0;
    int m_choice = None;
};
