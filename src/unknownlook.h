#pragma once

#include <QLabel>
#include <QList>
#include <QObject>
#include <QPalette>
#include <QPointer>

class Lock;
class PoSprite;
class StateButton;

// How the widgets that show one controller's status look while that status is not known: from
// start until the link's first datagram, and again from the loss of the link until fresh status
// arrives. Labels (value labels and plain text labels) take the colours of an invalid reading
// (as PoLabel::changedValid(false) shows it) and keep their last text, sprites show their unknown
// picture, state buttons their error state 4 (a press in it does nothing on a button locked in
// state 4), and locks hold and say that nothing is known.
//
// When the status is known again the labels get back the palette they had when it was lost;
// sprites, buttons, locks and texts are set again by the status itself: the link reports its
// status known just before the change signals of the first datagram, which carry every field. A
// label registered while nothing has been known yet also loses the sample text of its form. GUI
// thread only.
class UnknownLook : public QObject
{
    Q_OBJECT

public:
    // The sprite state of "not reported"; the sprite's owner registers its picture.
    static constexpr int kUnknownSprite = -1;

    explicit UnknownLook(QObject* parent = nullptr);

    // Follows a link's statusKnown() (DriveTCPthread, KVSTCPthread, KVKTCPthread).
    template <class Link>
    void follow(Link* link)
    {
        connect(link, &Link::statusKnownChanged, this, &UnknownLook::setKnown);
        setKnown(link->statusKnown());
    }

    // Each widget takes its unknown look at once while the status is not known.
    void addLabel(QLabel* label);
    void addSprite(PoSprite* sprite, int unknownState = kUnknownSprite);
    void addButton(StateButton* button);
    void addLock(Lock* lock);

    bool known() const { return m_known; }

public slots:
    void setKnown(bool known);

signals:
    // After the widgets have changed their look.
    void knownChanged(bool known);

private:
    struct Label {
        QPointer<QLabel> label;
        QPalette palette;  // as it was when the status was lost
    };
    struct Sprite {
        QPointer<PoSprite> sprite;
        int state;
    };

    void showUnknown(Label& label);

    bool m_known = false;
    bool m_everKnown = false;
    QList<Label> m_labels;
    QList<Sprite> m_sprites;
    QList<QPointer<StateButton>> m_buttons;
    QList<QPointer<Lock>> m_locks;
};
