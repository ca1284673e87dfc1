#pragma once

#include <QFrame>
#include <QPixmap>
#include <QPointer>
#include <QVector>

class Lock;
class QLabel;

// One line showing an interlock condition: red with the "no" picture while the lock holds,
// green with the "ok" picture while it is free, and the lock's text for that state; pink with
// the "no" picture while nothing is known of the condition.
class LockView : public QFrame
{
    Q_OBJECT

public:
    explicit LockView(QWidget* parent = nullptr);

    // Binds the view to its lock once: shows its state at once and follows it live.
    void setLock(Lock* lock);
    Lock* lock() const { return m_lock; }

    QString text() const;
    bool showsLocked() const { return m_showsLocked; }

    // A frame listing one view per lock, in order, under the given parent and window flags.
    static QFrame* makeList(QWidget* parent, Qt::WindowFlags flags, int minimumWidth,
                            const QVector<QPointer<Lock>>& locks);

    using QFrame::update;

    // The line layout shared with LockGroup: icon of the given size, then text.
    static void buildLine(QFrame* frame, QSize iconSize, QLabel** icon, QLabel** text);
    // Colours the line's frame red (locked), green (free) or, while the lock's condition is
    // unknown, in the pale pink of an invalid reading, and shows the picture and the lock's text
    // for that state followed by tail.
    static void showLine(QFrame* frame, QLabel* icon, QLabel* text, const Lock* lock, bool locked,
                         const QPixmap& picture, const QString& tail);

public slots:
    void update(bool locked);

private:
    QPixmap m_pixmapLocked;
    QPixmap m_pixmapFree;
    QLabel* m_icon = nullptr;
    QLabel* m_text = nullptr;
    QPointer<Lock> m_lock;
    bool m_showsLocked = false;
};
