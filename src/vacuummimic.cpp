#include "vacuummimic.h"

#include <cmath>

namespace VacuumMimic {

namespace {

// Pipe segments of a valve's rule: set with the valve's look unless one of the named valves
// lights them while the valve does not.
struct PipeGroup {
    QStringList pipes;
    QStringList closedTogether;  // empty: always set
};

struct ValvePipes {
    const char* valve;
    QVector<PipeGroup> groups;
};

QStringList range(const QString& prefix, int from, int to)
{
    QStringList names;
    for (int i = from; i <= to; ++i)
        names << prefix + QString::number(i);
    return names;
}

const QVector<ValvePipes>& rules()
{
    static const QVector<ValvePipes> table = {
        {"VP1", {{range("pipeA", 0, 2), {}}}},
        {"VP2", {{range("pipeB", 0, 4), {}}, {{"pipeBC", "pipeB5", "pipeB6"}, {"VP7"}}}},
        {"VP7", {{{"pipeC0", "pipeC1"}, {}}, {{"pipeBC", "pipeB5", "pipeB6"}, {"VP2"}}}},
        {"VP3", {{{"pipeE0", "pipeE1"}, {}},
                 {{"pipeEF", "pipeE2", "pipeE3"}, {"VP5"}},
                 {{"pipeEG", "pipeE4", "pipeE5", "pipeE6"}, {"VP5", "VP6"}}}},
        {"VP5", {{range("pipeF", 0, 3), {}},
                 {{"pipeEF", "pipeE2", "pipeE3", "pipeEG"}, {"VP3"}},
                 {{"pipeE4", "pipeE5", "pipeE6"}, {"VP3", "VP6"}}}},
        {"VP6", {{{"pipeG0", "pipeG1"}, {}}, {{"pipeE4", "pipeE5", "pipeE6", "pipeEG"}, {"VP3"}}}},
        {"VP4", {{range("pipeH", 0, 5), {}}}},
        {"VP8", {{range("pipeJ", 0, 3), {}}}},
        {"VPT", {{{"pipeO0", "pipeO1", "pipeP0"}, {}}}},
    };
    return table;
}

const ValvePipes* rule(const QString& valve)
{
    for (const ValvePipes& r : rules()) {
        if (valve == QLatin1String(r.valve))
            return &r;
    }
    return nullptr;
}

QString stateText(int state, const QString& type, const QString& name, const char* const (&endings)[4])
{
    if (state < 0 || state > 3)
        return QStringLiteral("[W]%1 %2 - ошибка!").arg(type, name);
    return QStringLiteral("[I]%1 %2%3").arg(type, name, QString::fromUtf8(endings[state]));
}

}  // namespace

QString elementPicture(const QString& set, int state)
{
    const char* suffix = nullptr;
    switch (state) {
    case 0:
        suffix = "_0";
        break;
    case 1:
        suffix = "_1";
        break;
    case 2:
    case 3:
        suffix = "_23";
        break;
    case -1:
    case 4:
        suffix = "_4";
        break;
    default:
        return QString();
    }
    return QStringLiteral(":/images/") + set + QLatin1String(suffix) + QStringLiteral(".png");
}

int temperatureState(float value, float warning, float error)
{
    if (value > error)
        return 0;
    if (value > warning)
        return 2;
    return 1;
}

int flowState(float value, float minimum)
{
    return value < minimum ? 0 : 1;
}

QString pumpStateText(int state, const QString& type, const QString& name)
{
    static const char* const endings[4] = {" выключен", " включен", " выключается", " включается"};
    return stateText(state, type, name, endings);
}

QString valveStateText(int state, const QString& type, const QString& name)
{
    static const char* const endings[4] = {" закрыт", " открыт", " закрывается", " открывается"};
    return stateText(state, type, name, endings);
}

bool lightsPipes(int state)
{
    return state > 0;
}

QStringList pipesOf(const QString& valve)
{
    QStringList pipes;
    if (const ValvePipes* r = rule(valve)) {
        for (const PipeGroup& group : r->groups) {
            for (const QString& pipe : group.pipes) {
                if (!pipes.contains(pipe))
                    pipes << pipe;
            }
        }
    }
    return pipes;
}

QVector<QPair<QString, int>> pipeLooks(const QString& valve, int state,
                                       const std::function<int(const QString&)>& lastState)
{
    QVector<QPair<QString, int>> looks;
    const ValvePipes* r = rule(valve);
    if (!r)
        return looks;
    const int lit = lightsPipes(state) ? 1 : 0;
    for (const PipeGroup& group : r->groups) {
        bool set = lit == 1;
        if (!set) {
            set = true;
            for (const QString& other : group.closedTogether)
                set = set && !lightsPipes(lastState(other));
        }
        if (!set)
            continue;
        for (const QString& pipe : group.pipes)
            looks.append({pipe, lit});
    }
    return looks;
}

}  // namespace VacuumMimic
