// The handwheels: their steps become "LIR" commands of the assigned axis or the pendant's
// "HANDWHEEL" command; the assignment menus; and the small accessors other screens use.

#include "gui.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

#include "axis.h"
#include "drivecommand.h"
#include "widgets.h"

namespace {

const char* const kEla = "Ela";
const char* const kElaEntry = "ЭЛА     ";
const char* const kOffEntry = "Не использовать     ";

// The axis groups a console handwheel can drive, in the order the menu offers them.
const char* const kWheelAxes[] = {"LX", "LY", "A", "B", "C", "D", "U", "V"};

}  // namespace

int Gui::lirStepFactor(int index)
{
    static const int factors[] = {10, 50, 100, 1000};
    return factors[validLirStep(index)];
}

QString Gui::lirStepCaption(int index)
{
    static const char* const captions[] = {"x0.01", "x0.05", "x0.1", "x1"};
    return QString::fromLatin1(captions[validLirStep(index)]);
}

int Gui::validLirStep(int index)
{
    // The settings file is editable: an index the step table does not have reads as the first.
    return index >= 0 && index < LirStepCount ? index : 0;
}

QString Gui::lirAxisCaption(const QString& axis)
{
    return QStringLiteral("Ось ") + axis;
}

// ---- steps -------------------------------------------------------------------------------------

void Gui::onLirChanged(int channel, int delta)
{
    if (!isEnabled())
        return;
    if (channel == 2) {
        if (m_pultOn)
            lirChangedPult(delta);
        return;
    }
    QString function;
    if (channel == 0)
        function = m_lirLeft;
    else if (channel == 1)
        function = m_lirRight;
    else
        return;

    using Handler = void (Gui::*)(int, int);
    static const QMap<QString, Handler> handlers{
        {QStringLiteral("LX"), &Gui::lirChangedX}, {QStringLiteral("LY"), &Gui::lirChangedY},
        {QStringLiteral("A"), &Gui::lirChangedA},  {QStringLiteral("B"), &Gui::lirChangedB},
        {QStringLiteral("C"), &Gui::lirChangedC},  {QStringLiteral("D"), &Gui::lirChangedD},
        {QStringLiteral("U"), &Gui::lirChangedU},  {QStringLiteral("V"), &Gui::lirChangedV},
    };
    const auto handler = handlers.constFind(function);
    if (handler != handlers.constEnd())
        (this->*handler.value())(delta, m_lirStep.value(function));
}

void Gui::lirCommand(const QString& group, const QString& speedAxis, int delta, int mult)
{
    m_drive.command(DriveCommand::handwheelAxis(group, delta, lirStepFactor(mult), m_maxSpeed.value(speedAxis)));
}

void Gui::lirChangedX(int delta, int mult) { lirCommand(QStringLiteral("LX"), QStringLiteral("LX"), delta, mult); }
void Gui::lirChangedY(int delta, int mult) { lirCommand(QStringLiteral("LY"), QStringLiteral("LY"), delta, mult); }
void Gui::lirChangedA(int delta, int mult) { lirCommand(QStringLiteral("A"), QStringLiteral("A"), delta, mult); }
void Gui::lirChangedB(int delta, int mult) { lirCommand(QStringLiteral("B"), QStringLiteral("B"), delta, mult); }
void Gui::lirChangedC(int delta, int mult) { lirCommand(QStringLiteral("C"), QStringLiteral("C"), delta, mult); }
void Gui::lirChangedD(int delta, int mult) { lirCommand(QStringLiteral("D"), QStringLiteral("D"), delta, mult); }
// The U axes share one maximum speed, that of U1.
void Gui::lirChangedU(int delta, int mult) { lirCommand(QStringLiteral("U"), QStringLiteral("U1"), delta, mult); }
void Gui::lirChangedV(int delta, int mult) { lirCommand(QStringLiteral("V"), QStringLiteral("V"), delta, mult); }

void Gui::lirChangedPult(int delta)
{
    m_drive.command(DriveCommand::handwheelPendant(delta));
}

// ---- assignment menus --------------------------------------------------------------------------

namespace {

QAction* addEntry(QMenu* menu, QList<QAction*>& entries, const QString& caption)
{
    QAction* action = new QAction(caption, menu);
    QFont font = action->font();
    font.setPixelSize(30);
    font.setWeight(75);
    action->setFont(font);
    entries << action;
    return action;
}

void addSeparator(QMenu* menu, QList<QAction*>& entries)
{
    QAction* separator = new QAction(menu);
    separator->setSeparator(true);
    entries << separator;
}

void tick(QAction* action)
{
    action->setIcon(QIcon(QStringLiteral(":/images/ok.png")));
}

}  // namespace

void Gui::wheelOff(const QString& name, QString* function, QLabel* useLabel)
{
    useLabel->setText(QStringLiteral("Отключен"));
    function->clear();
    prgMessage(QStringLiteral("[I]Штурвал %1 отключен").arg(name), true);
}

void Gui::wheelToEla(const QString& name, QString* function, QLabel* useLabel)
{
    useLabel->setText(QStringLiteral("ЭЛА"));
    *function = QString::fromLatin1(kEla);
    prgMessage(QStringLiteral("[I]Штурвал %1 передан в ЭЛА").arg(name), true);
}

void Gui::lirMenu(QString name, QString* function, PoLabel* label, QLabel* useLabel)
{
    QMenu menu(QStringLiteral("Ось"), label);
    QList<QAction*> entries;
    QMap<QAction*, QString> axisEntries;
    for (const char* axisName : kWheelAxes) {
        const QString axis = QString::fromLatin1(axisName);
        QAction* entry = addEntry(&menu, entries, lirAxisCaption(axis) + QStringLiteral("     "));
        axisEntries.insert(entry, axis);
        if (*function == axis)
            tick(entry);
    }
    QAction* ela = addEntry(&menu, entries, QString::fromUtf8(kElaEntry));
    addSeparator(&menu, entries);
    QAction* off = addEntry(&menu, entries, QString::fromUtf8(kOffEntry));
    addSeparator(&menu, entries);
    if (*function == QLatin1String(kEla))
        tick(ela);
    else if (!axisEntries.values().contains(*function))
        tick(off);

    QMap<QAction*, int> stepEntries;
    const bool onAxis = axisEntries.values().contains(*function);
    if (onAxis) {
        for (int step = 0; step < LirStepCount; ++step) {
            QAction* entry = addEntry(&menu, entries, lirStepCaption(step));
            stepEntries.insert(entry, step);
            if (validLirStep(m_lirStep.value(*function)) == step)
                tick(entry);
        }
    }

    QAction* chosen = QMenu::exec(entries, QCursor::pos());
    if (chosen == off) {
        wheelOff(name, function, useLabel);
    } else if (chosen == ela) {
        wheelToEla(name, function, useLabel);
    } else if (axisEntries.contains(chosen)) {
        *function = axisEntries.value(chosen);
    } else if (stepEntries.contains(chosen)) {
        m_lirStep[*function] = stepEntries.value(chosen);
    }

    // Whatever happened, a wheel on an axis shows (and logs) its axis and step again.
    if (axisEntries.values().contains(*function)) {
        const QString axis = lirAxisCaption(*function);
        const QString step = lirStepCaption(m_lirStep.value(*function));
        useLabel->setText(axis + QLatin1Char('\n') + step);
        prgMessage(QStringLiteral("[I]На штурвал %1 установлен параметр ").arg(name) + axis
                       + QStringLiteral(" с шагом ") + step,
                   true);
    }
}

void Gui::lirMenuEla(QString name, QString* function, PoLabel* label, QLabel* useLabel)
{
    QMenu menu(QStringLiteral("Ось"), label);
    QList<QAction*> entries;
    QAction* ela = addEntry(&menu, entries, QString::fromUtf8(kElaEntry));
    addSeparator(&menu, entries);
    QAction* off = addEntry(&menu, entries, QString::fromUtf8(kOffEntry));
    tick(*function == QLatin1String(kEla) ? ela : off);

    QAction* chosen = QMenu::exec(entries, QCursor::pos());
    if (chosen == off)
        wheelOff(name, function, useLabel);
    else if (chosen == ela)
        wheelToEla(name, function, useLabel);
}

void Gui::on_lblLir1_clicked() { lirMenu(QStringLiteral("'Левый'"), &m_lirLeft, lblLir1, lblLir1Use); }
void Gui::on_lblLir2_clicked() { lirMenu(QStringLiteral("'Правый'"), &m_lirRight, lblLir2, lblLir2Use); }
void Gui::on_lblLir3_clicked() { lirMenuEla(QStringLiteral("'Выносной'"), &m_lirDist, lblLir3, lblLir3Use); }

// ---- accessors ---------------------------------------------------------------------------------

void Gui::setProgramName(const QString& path, bool withoutCurrentControl)
{
    m_currentProgram = path.split(QLatin1Char('/')).last();
    lblContour->setText(withoutCurrentControl ? m_currentProgram + QStringLiteral(" (без управления током)")
                                              : m_currentProgram);
    QPalette palette = lblContour->palette();
    palette.setBrush(QPalette::All, QPalette::Window, QBrush(withoutCurrentControl ? Qt::red : Qt::blue, Qt::SolidPattern));
    lblContour->setPalette(palette);
    lblContour->setAutoFillBackground(true);
}

float Gui::coord(const QString& name) const
{
    const PoLabel* label = m_coordLabel.value(name);
    return label ? label->value() : 0.0f;
}

bool Gui::reportedCoord(const QString& name, float* value) const
{
    return m_drive.reportedPosition(DriveStatus::axisOfName(name), value);
}

Axis* Gui::axis(const QString& name) const
{
    const auto i = m_axis.constFind(name);
    Q_ASSERT_X(i != m_axis.constEnd(), "Gui::axis", "i != m_axis.end()");
    return i != m_axis.constEnd() ? i.value() : nullptr;
}
