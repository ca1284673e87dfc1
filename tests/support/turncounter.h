#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <functional>

// Posted to itself again each time its turn comes: counts the turns of the thread's event loop
// (the events posted meanwhile wait for the next turn), calling onTurn() at each.
class TurnCounter : public QObject
{
public:
    std::function<void()> onTurn;
    void start() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        if (onTurn)
            onTurn();
        start();
        return true;
    }
};
