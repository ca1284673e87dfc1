#pragma once

#include <QtGlobal>

// The last state a controller reported of one thing that the operator log records (a channel, an
// axis, a pump, the door), kept across a lost link. A link that comes back reports every state
// again: only a state that differs from the last one known before the loss is a new event.
class ReportedState
{
public:
    // Takes a reported state; true when it differs from the last one, or is the first.
    bool changes(qint64 state)
    {
        const bool changed = !m_known || state != m_state;
        m_known = true;
        m_state = state;
        return changed;
    }

private:
    bool m_known = false;
    qint64 m_state = 0;
};
