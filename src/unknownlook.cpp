#include "unknownlook.h"

#include "statebutton.h"
#include "widgets.h"

UnknownLook::UnknownLook(QObject* parent) : QObject(parent) {}

void UnknownLook::showUnknown(Label& label)
{
    // The palette of the moment is what comes back: the label's own slot may have set it.
    label.palette = label.label->palette();
    if (!m_everKnown)
        label.label->clear();
    showValidity(label.label, false, QColor(), QColor());
}

void UnknownLook::addLabel(QLabel* label)
{
    m_labels.append({label, label->palette()});
    if (!m_known)
        showUnknown(m_labels.last());
}

void UnknownLook::addSprite(PoSprite* sprite, int unknownState)
{
    m_sprites.append({sprite, unknownState});
    if (!m_known)
        sprite->setSprite(unknownState);
}

void UnknownLook::addButton(StateButton* button)
{
    m_buttons.append(button);
    if (!m_known)
        button->setState(StateButton::State4);
}

void UnknownLook::addLock(Lock* lock)
{
    m_locks.append(lock);
    if (!m_known)
        lock->setUnknown();
}

void UnknownLook::setKnown(bool known)
{
    if (known == m_known)
        return;
    m_known = known;
    if (known) {
        m_everKnown = true;
        for (const Label& label : qAsConst(m_labels))
            if (label.label)
                label.label->setPalette(label.palette);
    } else {
        for (Label& label : m_labels)
            if (label.label)
                showUnknown(label);
        for (const Sprite& sprite : qAsConst(m_sprites))
            if (sprite.sprite)
                sprite.sprite->setSprite(sprite.state);
        for (StateButton* button : qAsConst(m_buttons))
            if (button)
                button->setState(StateButton::State4);
        for (Lock* lock : qAsConst(m_locks))
            if (lock)
                lock->setUnknown();
    }
    emit knownChanged(known);
}
