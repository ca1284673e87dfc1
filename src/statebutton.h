#pragma once

#include <QFrame>
#include <QMap>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QVector>

class QLabel;

// An interlock condition whose state the owner drives from the controllers' interlock words.
// With perm set the state is stored inverted.
class Lock : public QObject
{
    Q_OBJECT

public:
    Lock(bool perm, const QString& textLocked, const QString& textFree);

    // Locked; a lock whose condition is unknown holds.
    bool state() const { return m_state || m_unknown; }
    bool perm() const { return m_perm; }
    const QString& textLocked() const { return m_textLocked; }
    const QString& textFree() const { return m_textFree; }
    // The text a view shows for the given state: the locked or free text, or, while the
    // condition is unknown, that nothing is known of it.
    QString text(bool locked) const;

    // Stores the state (inverted with perm), ends an unknown condition and always emits
    // stateChanged.
    void setState(bool value);
    // The condition has not been reported (its controller's status is not known): the lock holds
    // until the next setState(). Emits stateChanged(true).
    void setUnknown();
    bool unknown() const { return m_unknown; }

signals:
    void stateChanged(bool state);

private:
    QString m_textLocked;
    QString m_textFree;
    bool m_perm;
    bool m_state = false;
    bool m_unknown = false;
};

// Push button of a piece of equipment with five states, a caption and one text per state. While
// the lock of its current direction holds, a press does not act: it pops up that direction's
// list of locks until the release, and the button is hatched.
class StateButton : public QPushButton
{
    Q_OBJECT

public:
    enum State { State0 = 0, State1 = 1, State2 = 2, State3 = 3, State4 = 4 };
    Q_ENUM(State)

    explicit StateButton(QWidget* parent = nullptr);
    ~StateButton() override;

    // The state texts come in the order of the states 1, 0, 3, 2, 4.
    void init(const QString& caption, bool mode, const QString& text1, const QString& text0,
              const QString& text3, const QString& text2, const QString& text4, bool lockedIn4);

    State state() const { return m_state; }
    bool locked() const;

    void setLock(bool switchOn, Lock* lock);
    void addLock(bool switchOn, Lock* lock);
    void setText1(const QString& caption);

    // Locks owned by the button and known by name only.
    void addLock(const QString& name, bool perm, const QString& textLocked, const QString& textFree);
    void setLock(const QString& name, bool state);

    // The refusal pop-up while it is shown, else null.
    QFrame* popup() const { return m_popup; }
    QLabel* captionLabel() const { return m_caption; }
    QLabel* stateLabel() const { return m_stateLabel; }

public slots:
    void setState(StateButton::State state);
    // 0..4; any other value is ignored.
    void setState(int state);
    void setState(bool on);
    void setLocked(bool locked);

protected:
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void showRefusal(const QVector<QPointer<Lock>>& locks);
    void closeRefusal();

    QString m_texts[5];
    bool m_mode = false;
    State m_state = State0;
    QFrame* m_frame = nullptr;
    QLabel* m_caption = nullptr;
    QLabel* m_stateLabel = nullptr;
    QPointer<Lock> m_lockOn;
    QPointer<Lock> m_lockOff;
    QVector<QPointer<Lock>> m_locksOn;
    QVector<QPointer<Lock>> m_locksOff;
    QMap<QString, Lock*> m_namedLocks;
    QPointer<QFrame> m_popup;
    bool m_lockedIn4 = false;
    bool m_lastLocked = false;
    bool m_forcedLocked = false;
    int m_timerId = 0;
};

// Stand-alone frame variant: shows one lock like a LockView and, on a press, lists its locks
// under the press until the release.
class LockGroup : public QFrame
{
    Q_OBJECT

public:
    explicit LockGroup(QWidget* parent = nullptr);
    ~LockGroup() override;

    void setLock(Lock* lock);
    void addLock(Lock* lock);

    QFrame* popup() const { return m_popup; }
    QString text() const;

    using QFrame::update;

public slots:
    void update(bool locked);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap m_pixmapLocked;
    QPixmap m_pixmapFree;
    QVector<QPointer<Lock>> m_locks;
    QLabel* m_icon = nullptr;
    QLabel* m_text = nullptr;
    QPointer<QFrame> m_popup;
    QPointer<Lock> m_lock;
};
