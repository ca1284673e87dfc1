#include "messagestack.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <algorithm>

#include "cunibutton.h"
#include "message.h"
#include "widgets.h"

namespace {

const QColor outlineColor(243, 143, 143);
const QColor textColor(255, 192, 192);
const QColor emptyColor(80, 80, 80);
const QColor emptyBackground(189, 255, 180);

QColor background(int type)
{
    switch (type) {
    case CMessage::Alarm: return QColor(229, 102, 102);
    case CMessage::Warning: return QColor(221, 167, 90);
    case CMessage::Info: return QColor(125, 188, 134);
    default: return QColor();
    }
}

bool isAlarm(const CMessage* m)
{
    return m->getMessageType() == CMessage::Alarm;
}

}  // namespace

bool sortStackMessagesAsc(CMessage* a, CMessage* b)
{
    return a->created() < b->created();
}

CMessageStack::CMessageStack(QWidget* parent)
    : QWidget(parent), m_closeButton(new CUniButton(13)), m_timer(new QTimer(this))
{
    setFixedSize(290, 57);
    m_closeButton->setParent(this);
    m_closeButton->move(width() - 40, height() / 2 - 15);
    m_closeButton->hide();
    connect(m_closeButton, &CUniButton::clicked, this, &CMessageStack::slotCloseButton);
    connect(m_timer, &QTimer::timeout, this, &CMessageStack::slotTimer);
}

int CMessageStack::getMessageIndex(int numId) const
{
    for (int i = 0; i < m_messages.size(); ++i)
        if (m_messages.at(i)->numId() == numId)
            return i;
    return -1;
}

CMessage* CMessageStack::currentMessage() const
{
    return m_current >= 0 && m_current < m_messages.size() ? m_messages.at(m_current) : nullptr;
}

int CMessageStack::stepFor(const CMessage* m) const
{
    return isAlarm(m) ? AlarmStepMs : StepMs;
}

void CMessageStack::clampCurrent()
{
    if (m_current > m_messages.size() - 1)
        m_current = m_messages.size() - 1;
    if (m_messages.isEmpty())
        m_closeButton->hide();
}

void CMessageStack::showCloseButtonFor(const CMessage* m)
{
    // A message whose condition is not known now is not confirmed either.
    m_closeButton->setVisible(m && !isAlarm(m) && m_statusKnown);
}

void CMessageStack::slotAddMessage(CMessage* m)
{
    if (!m)
        return;
    m_messages.append(m);
    // Stable, so that of messages created in the same millisecond the one just added stays the
    // newest and is the one shown.
    std::stable_sort(m_messages.begin(), m_messages.end(), sortStackMessagesAsc);
    showCloseButtonFor(m);
    m_current = m_messages.size() - 1;
    m_timer->setInterval(stepFor(m_messages.at(m_current)));
    update();
    m_timer->start();
    m_lastSwitch.start();
}

void CMessageStack::slotTimer()
{
    m_timer->stop();
    if (m_messages.size() < 2)
        return;
    if (--m_current < 0)
        m_current = m_messages.size() - 1;
    CMessage* shown = m_messages.at(m_current);
    m_timer->setInterval(stepFor(shown));
    m_timer->start();
    m_lastSwitch.start();
    showCloseButtonFor(shown);
    update();
}

void CMessageStack::slotCloseButton()
{
    const CMessage* shown = currentMessage();
    if (!shown)
        return;
    if (!m_lastSwitch.isValid() || m_lastSwitch.elapsed() <= ConfirmLockMs)
        return;
    emit sigConfirmMessage(shown->numId());
}

void CMessageStack::slotUpdateMessage()
{
    m_messages.erase(std::remove_if(m_messages.begin(), m_messages.end(),
                                    [](CMessage* m) { return m->isConfirmed(); }),
                     m_messages.end());
    clampCurrent();
    showCloseButtonFor(currentMessage());
    update();
}

void CMessageStack::slotDeleteMessage(int numId)
{
    if (m_messages.isEmpty())
        return;
    // The server frees the message right after this call: no copy of the number may stay here.
    for (int index = getMessageIndex(numId); index >= 0; index = getMessageIndex(numId))
        m_messages.removeAt(index);
    clampCurrent();
    showCloseButtonFor(currentMessage());
    update();
}

void CMessageStack::setStatusKnown(bool known)
{
    m_statusKnown = known;
    showCloseButtonFor(currentMessage());
    update();
}

void CMessageStack::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, width() - 1, height() - 1), 7, 7);
    QFont f = font();
    f.setBold(true);

    const CMessage* shown = currentMessage();
    if (!shown) {
        p.setPen(emptyColor);
        p.fillPath(path, m_statusKnown ? emptyBackground : invalidBackground());
        p.drawPath(path);
        f.setPixelSize(14);
        p.setFont(f);
        p.drawText(QRect(0, 0, width() - 1, height() - 1), Qt::AlignCenter,
                   m_statusKnown ? QStringLiteral("Сообщений нет") : QStringLiteral("Нет данных"));
        return;
    }

    // While the controller is not reporting, a message it raised may no longer hold: it keeps
    // its place but takes the look of what is not known, and says so in place of its time.
    p.setPen(QPen(m_statusKnown ? outlineColor : emptyColor, 2));
    const QColor fill = m_statusKnown ? background(shown->getMessageType()) : invalidBackground();
    if (fill.isValid())
        p.fillPath(path, fill);
    p.drawPath(path);
    p.setPen(QPen(m_statusKnown ? textColor : emptyColor, 1));
    f.setPixelSize(12);
    p.setFont(f);
    const QString head = m_statusKnown ? shown->created().toString(QStringLiteral("dd.MM.yy hh:mm:ss"))
                                       : QStringLiteral("Нет данных");
    const QString text = head + QStringLiteral(" \n ") + shown->text();
    p.drawText(QRect(0, 0, width() - 50, height() - 1), Qt::AlignCenter | Qt::TextWordWrap,
               text);
}
