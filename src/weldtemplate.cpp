#include "weldtemplate.h"

#include <QAbstractButton>
#include <QLineEdit>

#include <algorithm>
#include <cmath>

#include "contourmodel.h"
#include "settingsfile.h"
#include "techeditor.h"
#include "techfield.h"
#include "widgets.h"

// ---- rows ------------------------------------------------------------------------------------

void TemplatePlan::comment(const QString& text)
{
    TemplateRow row;
    row.kind = TemplateRow::Comment;
    row.text = text;
    rows << row;
}

void TemplatePlan::interval(float interval, float current, float speed)
{
    rows << TemplateRow{TemplateRow::Interval, QString(), interval, current, speed};
}

void TemplatePlan::path(float path, float current, float speed)
{
    rows << TemplateRow{TemplateRow::Path, QString(), path, current, speed};
}

void TemplatePlan::slopes(float ascend, float peak, float descend, const WeldValues& v)
{
    interval(ascend, v.Ir, v.weldSpeed);
    interval(peak, v.Ir, v.weldSpeed);
    interval(descend, 0, v.moveSpeed);
}

TemplatePlan TemplatePlan::refuse(const QString& line, bool close)
{
    TemplatePlan plan;
    plan.refusal = line;
    plan.closeOnRefusal = close;
    return plan;
}

TemplatePlan TemplatePlan::checked(TemplatePlan plan)
{
    for (const TemplateRow& row : qAsConst(plan.rows)) {
        if (row.kind == TemplateRow::Comment)
            continue;
        const bool sound = std::isfinite(row.value) && row.value >= 0
                           && std::isfinite(row.current) && row.current >= 0
                           && row.current <= TemplateValues::MaxCurrent
                           && std::isfinite(row.speed) && row.speed >= 0;
        if (!sound)
            return refuse(QStringLiteral("[A]Ошибка! Шаблон не может рассчитать точки по этим данным!"));
    }
    return plan;
}

void addRows(TechEditor& editor, const TemplatePlan& plan)
{
    if (!plan.refused())
        editor.addRows(plan.rows);
}

// ---- shared values ---------------------------------------------------------------------------

namespace TemplateValues {

const QString TackTooLong =
    QStringLiteral("[A]Ошибка! Расчетная длина прихватки больше периода прихватки!");

int tackCount(float number)
{
    return int(std::trunc(TechField::clamp(number, MinTacks, MaxTacks)));
}

WeldValues withinEditorLimits(const WeldValues& values)
{
    // NaN fails the comparison and becomes 0 too.
    const auto notNegative = [](float value) { return value >= 0 ? value : 0.0f; };
    WeldValues v;
    v.Ir = std::min(notNegative(values.Ir), MaxCurrent);
    v.ascend = notNegative(values.ascend);
    v.peak = notNegative(values.peak);
    v.descend = notNegative(values.descend);
    v.weldSpeed = notNegative(values.weldSpeed);
    v.moveSpeed = notNegative(values.moveSpeed);
    return v;
}

QList<int> tackOrder(const QString& text)
{
    QList<int> order;
    const QStringList pieces = text.split(QLatin1Char(','));
    for (const QString& piece : pieces) {
        bool ok = false;
        const int entry = piece.toInt(&ok, 10);
        if (!ok)
            break;
        order << entry;
    }
    return order;
}

QString orderTooLong(const QList<int>& order)
{
    if (order.size() <= MaxTacks)
        return {};
    return QStringLiteral("[A]Ошибка! В порядке прихваток %1 номеров: допустимо не более %2")
        .arg(order.size())
        .arg(MaxTacks);
}

QString badOrderEntry(int entry)
{
    return QStringLiteral("[A]Ошибка! Недопустимый номер в порядке прихваток: %1").arg(entry);
}

}  // namespace TemplateValues

// ---- the dialog ------------------------------------------------------------------------------

WeldTemplate::WeldTemplate(TechEditor* editor, QWidget* button, const QString& name,
                           const QString& group)
    : QDialog(button), m_editor(editor), m_button(button), m_name(name), m_group(group)
{
}

WeldTemplate::~WeldTemplate()
{
    emit message(QStringLiteral("[I]Закрыто окно '%1'").arg(m_name), false);
    const auto settings = SettingsFile::open();
    for (const auto& number : qAsConst(m_numbers))
        settings->setValue(number.first, number.second->value());
    for (const auto& button : qAsConst(m_switches))
        settings->setValue(button.first, button.second->isChecked());
}

void WeldTemplate::host()
{
    // The title becomes a comment row of the editor, which a contour file keeps on one line of
    // bounded length.
    if (auto* title = findChild<QLineEdit*>(QStringLiteral("title")))
        title->setMaxLength(ContourLimits::kMaxLineChars);
    TechField::hostBelowLeft(this, m_name, m_button);
}

WeldTemplate::Field& WeldTemplate::addField(PoLabel* label, const QString& title, float min,
                                            float max, float step, int decimals,
                                            std::function<void()> changed)
{
    Field& f = m_fields[label];
    f.title = title;
    f.min = min;
    f.padMax = max;
    f.stepMax = max;
    f.step = step;
    f.decimals = decimals;
    f.changed = std::move(changed);

    QString name = label->objectName();
    name[0] = name[0].toUpper();
    auto enter = [this, label] {
        const Field& f = m_fields.at(label);
        numpad(label, f.title, f.min, f.padMax, f.decimals);
        if (f.changed)
            f.changed();
    };
    auto step_ = [this, label](bool up) {
        const Field& f = m_fields.at(label);
        crement(label, f.min, f.stepMax, f.step, f.decimals, up);
        if (f.changed)
            f.changed();
    };
    auto* caption = findChild<PoLabel*>(QStringLiteral("lbl") + name);
    auto* minus = findChild<QAbstractButton*>(QStringLiteral("pb") + name + QStringLiteral("Minus"));
    auto* plus = findChild<QAbstractButton*>(QStringLiteral("pb") + name + QStringLiteral("Plus"));
    Q_ASSERT(caption && minus && plus);
    connect(label, &PoLabel::clicked, this, enter);
    connect(caption, &PoLabel::clicked, this, enter);
    connect(minus, &QAbstractButton::clicked, this, [step_] { step_(false); });
    connect(plus, &QAbstractButton::clicked, this, [step_] { step_(true); });
    return f;
}

void WeldTemplate::addWeldFields(PoLabel* Ir, PoLabel* ascend, PoLabel* peak, PoLabel* descend,
                                 PoLabel* weldSpeed, PoLabel* moveSpeed)
{
    m_weld[0] = Ir;
    m_weld[1] = ascend;
    m_weld[2] = peak;
    m_weld[3] = descend;
    m_weld[4] = weldSpeed;
    m_weld[5] = moveSpeed;
    using namespace TemplateValues;
    addField(Ir, QStringLiteral("Ток луча"), 0, MaxCurrent, 1, 0);
    addField(weldSpeed, QStringLiteral("Скорость сварки, мм/мин"), 0, MaxSpeed, 10, 1);
    addField(moveSpeed, QStringLiteral("Скорость перехода, мм/мин"), 0, MaxSpeed, 10, 1);
    restore(Ir, QStringLiteral("Ir"), 0, 0);
    restore(ascend, QStringLiteral("Ascend"), 0, 1);
    restore(peak, QStringLiteral("Peak"), 0, 1);
    restore(descend, QStringLiteral("Descend"), 0, 1);
    // The speeds are not stored: each opening starts from the editor's.
    weldSpeed->setValue(m_editor->weldSpeedValue(), 1);
    moveSpeed->setValue(m_editor->contourSpeedValue(), 1);
}

void WeldTemplate::addTackCount(PoLabel* number, const std::function<void()>& changed)
{
    using namespace TemplateValues;
    // The count is shown without decimals and used as a whole number: a count from a
    // hand-edited file would otherwise divide the seam by 0 or a fraction.
    const auto whole = [number] { number->setValue(float(tackCount(number->value())), 0); };
    addField(number, QStringLiteral("Кол-во прихваток"), MinTacks, MaxTacks, 1, 0, [whole, changed] {
        whole();
        changed();
    });
    restore(number, QStringLiteral("Number"), MinTacks, 0);
    whole();
}

WeldValues WeldTemplate::weldValues() const
{
    WeldValues v;
    v.Ir = m_weld[0]->value();
    v.ascend = m_weld[1]->value();
    v.peak = m_weld[2]->value();
    v.descend = m_weld[3]->value();
    v.weldSpeed = m_weld[4]->value();
    v.moveSpeed = m_weld[5]->value();
    return v;
}

void WeldTemplate::setLengthFields(bool degrees, float padMax, float stepMax)
{
    const QString unit = lengthUnit(degrees);
    const QString titles[] = {QStringLiteral("Подъем, "), QStringLiteral("Пик, "),
                              QStringLiteral("Спад, ")};
    for (int i = 0; i < 3; ++i) {
        Field& f = m_fields.at(m_weld[i + 1]);
        f.title = titles[i] + unit;
        f.padMax = padMax;
        f.stepMax = stepMax;
    }
}

void WeldTemplate::restore(PoLabel* label, const QString& key, float defaultValue, int decimals)
{
    const QString fullKey = m_group + QLatin1Char('/') + key;
    label->setValue(SettingsFile::open()->value(fullKey, defaultValue).toFloat(), decimals);
    m_numbers << qMakePair(fullKey, label);
}

void WeldTemplate::restore(QAbstractButton* button, const QString& key)
{
    const QString fullKey = m_group + QLatin1Char('/') + key;
    button->setChecked(SettingsFile::open()->value(fullKey, false).toBool());
    m_switches << qMakePair(fullKey, button);
}

void WeldTemplate::numpad(PoLabel* label, const QString& title, float min, float max, int decimals)
{
    float value = 0;
    if (TechField::ask(title, label, &value))
        label->setValue(TechField::clamp(value, min, max), decimals);
}

void WeldTemplate::crement(PoLabel* label, float min, float max, float step, int decimals, bool up)
{
    label->setValue(TechField::stepped(label->value(), step, up, min, max), decimals);
}

QString WeldTemplate::lengthUnit(bool degrees)
{
    return degrees ? QStringLiteral("°") : QStringLiteral("мм");
}

void WeldTemplate::convertLengths(const QList<PoLabel*>& labels, bool toDegrees, float k)
{
    for (PoLabel* label : labels) {
        if (toDegrees)
            label->setValue(label->value() / k, 1);
        else
            label->setValue(label->value() * k, 2);
    }
}

void WeldTemplate::create(const TemplatePlan& plan)
{
    emit message(QStringLiteral("[I]Нажата кнопка 'Сгенерировать' окна '%1'").arg(m_name), false);
    if (plan.refused()) {
        emit message(plan.refusal, true);
        if (plan.closeOnRefusal)
            accept();
        return;
    }
    addRows(*m_editor, plan);
    accept();
}
