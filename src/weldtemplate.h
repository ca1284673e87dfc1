#pragma once

#include <QDialog>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <map>

#include "techeditor.h"

class PoLabel;
class QAbstractButton;

// The fields every template has, as raw values.
struct WeldValues {
    float Ir = 0;          // beam current, mA
    float ascend = 0;      // rise
    float peak = 0;
    float descend = 0;     // fall
    float weldSpeed = 0;   // mm/min
    float moveSpeed = 0;   // transition speed, mm/min
};

// What "Сгенерировать" of a template does: the rows in the order they are added, or a refusal
// that adds nothing.
struct TemplatePlan {
    QList<TemplateRow> rows;
    QString refusal;             // an "[A]" line shown to the operator
    bool closeOnRefusal = false; // the dialog ends all the same

    bool refused() const { return !refusal.isEmpty(); }
    void comment(const QString& text);
    void interval(float interval, float current, float speed);
    void path(float path, float current, float speed);
    // The rise, peak and fall of one weld after its start row, as interval rows: at the ends of
    // the rise and the peak the beam current at the weld speed, at the end of the fall no
    // current at the transition speed.
    void slopes(float ascend, float peak, float descend, const WeldValues& values);

    static TemplatePlan refuse(const QString& line, bool close = false);
    // The plan itself, or a refusal when a row holds what the editor takes from nobody: a path
    // or interval that is negative or not finite, a current outside 0..800 mA, a speed below 0.
    static TemplatePlan checked(TemplatePlan plan);
};

// Hands the plan's rows to the editor in one go, in order (nothing for a refused plan).
void addRows(TechEditor& editor, const TemplatePlan& plan);

// Bounds and texts the four templates share.
namespace TemplateValues {

constexpr float MaxCurrent = 800;
constexpr float MaxSpeed = 2400;
constexpr int MinTacks = 2;
constexpr int MaxTacks = 100;   // also the most entries a tack order may have

// A tack count as the templates use it: made whole (its whole part) and kept within 2..100;
// NaN gives 2.
int tackCount(float number);
// The values as the editor takes them: NaN and a negative value become 0, a beam current above
// 800 mA becomes 800. Every other value is used as the dialog shows it, also beyond the bounds of
// its field's number pad (a speed from the editor, a length from the settings or converted by the
// unit switch).
WeldValues withinEditorLimits(const WeldValues& values);
// The entries of a tack order ("2,0,3,1"): the text split at every ",", each piece read as a
// decimal integer, up to the first piece that is not one (an empty piece ends it too).
QList<int> tackOrder(const QString& text);
// The refusal of an order of more entries than a count of tacks may have ("" when it has no
// more than MaxTacks).
QString orderTooLong(const QList<int>& order);

extern const QString TackTooLong;   // "[A]" line: a tack longer than its period
// "[A]" line naming an entry of a tack order that cannot be welded.
QString badOrderEntry(int entry);

}  // namespace TemplateValues

// The behaviour the four weld templates share: the dialog hosted below the template button,
// the value fields (caption and value label opening the number pad, minus and plus buttons
// stepping within bounds), the settings read when the dialog is built and written when it is
// destroyed, and the create-and-close flow with its log lines.
class WeldTemplate : public QDialog
{
    Q_OBJECT

public:
    // Logs the closing of the window, then writes the template's settings.
    ~WeldTemplate() override;

    // The number entry and step of a value field.
    void numpad(PoLabel* label, const QString& title, float min, float max, int decimals);
    void crement(PoLabel* label, float min, float max, float step, int decimals, bool up);

signals:
    void message(const QString& text, bool isShow);

protected:
    // One value field: the value label `label` with the caption "lbl" + Name and the buttons
    // "pb" + Name + "Minus" / "Plus" beside it.
    struct Field {
        QString title;            // number-pad title
        float min = 0;
        float padMax = 0;         // upper bound of a number-pad entry
        float stepMax = 0;        // upper bound of the minus and plus buttons
        float step = 1;
        int decimals = 0;
        std::function<void()> changed;   // after every pad use (accepted or not) and every step
    };

    // `name` is the dialog name (its frame title), `group` its settings group.
    WeldTemplate(TechEditor* editor, QWidget* button, const QString& name, const QString& group);

    // Hosts the set-up form in its frame below and to the left of the template button.
    void host();
    // The fields of every template: wires the current and the two speeds, reads the current and
    // the three lengths from the settings (Ir, Ascend, Peak, Descend) and the speeds from the
    // editor. The length fields are wired by the template.
    void addWeldFields(PoLabel* Ir, PoLabel* ascend, PoLabel* peak, PoLabel* descend,
                       PoLabel* weldSpeed, PoLabel* moveSpeed);
    WeldValues weldValues() const;
    // The titles ("Подъем, " + unit ...) and upper bounds of the three length fields.
    void setLengthFields(bool degrees, float padMax, float stepMax);
    // Wires the field of `label` (after the form is set up).
    Field& addField(PoLabel* label, const QString& title, float min, float max, float step,
                    int decimals, std::function<void()> changed = {});
    Field& field(PoLabel* label) { return m_fields.at(label); }
    // The tack count field of the tack templates ("Кол-во прихваток", 2..100), read from the
    // settings key Number. Entries, steps and a stored count are made whole; after an entry or a
    // step `changed` runs.
    void addTackCount(PoLabel* number, const std::function<void()>& changed);
    // Reads group/key into the label (shown with the decimals, not clamped) and keeps it for
    // the destructor's write.
    void restore(PoLabel* label, const QString& key, float defaultValue, int decimals);
    void restore(QAbstractButton* button, const QString& key);

    // "°" in degree mode, "мм" otherwise.
    static QString lengthUnit(bool degrees);
    // Switches lengths between mm and degrees: divided by k and shown with 1 decimal into
    // degrees, multiplied by k and shown with 2 decimals into mm; not clamped.
    static void convertLengths(const QList<PoLabel*>& labels, bool toDegrees, float k);

    // "Сгенерировать": logs the press, then adds the plan's rows and accepts, or logs its
    // refusal (shown) and adds nothing.
    void create(const TemplatePlan& plan);

    TechEditor* const m_editor;

private:
    QWidget* const m_button;
    const QString m_name;
    const QString m_group;
    std::map<const PoLabel*, Field> m_fields;
    PoLabel* m_weld[6] = {};   // current, rise, peak, fall, weld and transition speeds
    QList<QPair<QString, PoLabel*>> m_numbers;
    QList<QPair<QString, QAbstractButton*>> m_switches;
};
