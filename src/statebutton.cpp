#include "statebutton.h"

#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <QVBoxLayout>

#include "lockview.h"

// ---- Lock ------------------------------------------------------------------------------------

Lock::Lock(bool perm, const QString& textLocked, const QString& textFree)
    : QObject(nullptr), m_textLocked(textLocked), m_textFree(textFree), m_perm(perm)
{
}

void Lock::setState(bool value)
{
    m_state = m_perm ? !value : value;
    m_unknown = false;
    emit stateChanged(m_state);
}

void Lock::setUnknown()
{
    m_unknown = true;
    emit stateChanged(true);
}

QString Lock::text(bool locked) const
{
    if (m_unknown) {
        // "Нет данных: давление в камере в норме" – the free condition has not been confirmed.
        QString condition = m_textFree;
        if (!condition.isEmpty())
            condition[0] = condition[0].toLower();
        return QStringLiteral("Нет данных: ") + condition;
    }
    return locked ? m_textLocked : m_textFree;
}

// ---- StateButton -----------------------------------------------------------------------------

namespace {

void setButtonColour(QWidget* button, const QColor& colour)
{
    QPalette pal = button->palette();
    pal.setBrush(QPalette::All, QPalette::Button, QBrush(colour, Qt::SolidPattern));
    button->setPalette(pal);
}

}  // namespace

StateButton::StateButton(QWidget* parent) : QPushButton(parent) {}

StateButton::~StateButton()
{
    closeRefusal();
    qDeleteAll(m_namedLocks);
}

void StateButton::init(const QString& caption, bool mode, const QString& text1,
                       const QString& text0, const QString& text3, const QString& text2,
                       const QString& text4, bool lockedIn4)
{
    m_texts[1] = text1;
    m_texts[0] = text0;
    m_texts[3] = text3;
    m_texts[2] = text2;
    m_texts[4] = text4;
    m_lockedIn4 = lockedIn4;
    setText(QString());
    setFocusPolicy(Qt::NoFocus);
    m_mode = mode;

    m_frame = new QFrame(this);
    m_caption = new QLabel(caption, m_frame);
    m_caption->setAlignment(Qt::AlignHCenter);
    m_caption->setWordWrap(true);
    if (!text1.isEmpty()) {
        m_stateLabel = new QLabel(m_frame);
        m_stateLabel->setAlignment(Qt::AlignHCenter);
        QFont f = m_stateLabel->font();
        f.setPointSize(11);
        f.setWeight(50);
        m_stateLabel->setFont(f);
    }
    auto* layout = new QVBoxLayout(m_frame);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setAlignment(Qt::AlignVCenter);
    layout->addWidget(m_caption);
    if (m_stateLabel)
        layout->addWidget(m_stateLabel);
    m_frame->show();

    setState(State0);
    if (m_timerId == 0)
        m_timerId = startTimer(200, Qt::CoarseTimer);
}

void StateButton::setState(StateButton::State state)
{
    setState(int(state));
}

void StateButton::setState(int state)
{
    if (state < State0 || state > State4)
        return;
    m_state = State(state);
    if (m_stateLabel)
        m_stateLabel->setText(m_texts[state]);
    setCheckable(state == State1);
    setChecked(state == State1);
    switch (m_state) {
    case State0:
    case State4:
        setButtonColour(this, QColor(158, 172, 255));
        break;
    case State2:
    case State3:
        setButtonColour(this, QColor(224, 224, 0));
        break;
    case State1:
        break;  // the checked panel shows the highlight colour
    }
    update();
}

void StateButton::setState(bool on)
{
    setState(on ? State1 : State0);
}

void StateButton::setLocked(bool locked)
{
    m_forcedLocked = locked;
}

void StateButton::setLock(bool switchOn, Lock* lock)
{
    (switchOn ? m_lockOn : m_lockOff) = lock;
}

void StateButton::addLock(bool switchOn, Lock* lock)
{
    (switchOn ? m_locksOn : m_locksOff).append(lock);
}

void StateButton::setText1(const QString& caption)
{
    if (m_caption) {
        m_caption->setText(caption);
        m_caption->update();
    }
}

void StateButton::addLock(const QString& name, bool perm, const QString& textLocked,
                          const QString& textFree)
{
    delete m_namedLocks.take(name);
    m_namedLocks.insert(name, new Lock(perm, textLocked, textFree));
}

void StateButton::setLock(const QString& name, bool state)
{
    Lock* lock = m_namedLocks.value(name);
    if (lock && lock->state() != state) {
        lock->setState(state);
        update();
    }
}

bool StateButton::locked() const
{
    if (m_forcedLocked)
        return true;
    switch (m_state) {
    case State0:
    case State2:
        return m_lockOn && m_lockOn->state();
    case State1:
    case State3:
        return m_lockOff && m_lockOff->state();
    case State4:
        break;
    }
    return m_lockedIn4;
}

void StateButton::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timerId) {
        QPushButton::timerEvent(event);
        return;
    }
    const bool now = locked();
    if (now != m_lastLocked)
        update();
    m_lastLocked = now;
}

void StateButton::mousePressEvent(QMouseEvent* event)
{
    // The button acts on the press and never shows a pressed-down look.
    event->accept();
    if (m_state == State4) {
        if (!m_lockedIn4)
            emit clicked();
        return;
    }
    if (!locked()) {
        if (!(m_mode && m_state == State1))
            emit clicked();
        return;
    }
    const bool switchOn = m_state == State0 || m_state == State2;
    const QVector<QPointer<Lock>>& list = switchOn ? m_locksOn : m_locksOff;
    if (!list.isEmpty())
        showRefusal(list);
}

void StateButton::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    closeRefusal();
}

void StateButton::showRefusal(const QVector<QPointer<Lock>>& locks)
{
    closeRefusal();
    QWidget* root = this;
    while (root->parentWidget())
        root = root->parentWidget();
    m_popup = LockView::makeList(root,
                                 Qt::Tool | Qt::X11BypassWindowManagerHint
                                     | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint,
                                 width(), locks);
    m_popup->setAutoFillBackground(true);
    m_popup->move(QCursor::pos());
    m_popup->show();
    // Keep it inside the root window, which fills the screen from its origin.
    if (m_popup->y() + m_popup->height() > root->height())
        m_popup->move(m_popup->x(), root->height() - m_popup->height() - 1);
    if (m_popup->x() + m_popup->width() > root->width())
        m_popup->move(root->width() - m_popup->width() - 1, m_popup->y());
}

void StateButton::closeRefusal()
{
    delete m_popup.data();
    m_popup = nullptr;
}

void StateButton::paintEvent(QPaintEvent* event)
{
    const int o = (isDown() || isChecked()) ? 2 : 1;
    if (m_frame)
        m_frame->setGeometry(o, o, width() - 2, height() - 2);
    QPushButton::paintEvent(event);
    if (locked() || m_state == State4) {
        QPainter p(this);
        p.fillRect(rect(), QBrush(m_state == State4 ? Qt::red : Qt::darkGray, Qt::Dense4Pattern));
    }
}

// ---- LockGroup -------------------------------------------------------------------------------

LockGroup::LockGroup(QWidget* parent)
    : QFrame(parent),
      m_pixmapLocked(QStringLiteral(":/images/no.png")),
      m_pixmapFree(QStringLiteral(":/images/ok.png"))
{
    // As a LockView, the line's colour is its background.
    setAutoFillBackground(true);
    LockView::buildLine(this, m_pixmapLocked.size(), &m_icon, &m_text);
}

LockGroup::~LockGroup()
{
    delete m_popup.data();
}

void LockGroup::setLock(Lock* lock)
{
    if (m_lock || !lock)
        return;
    m_lock = lock;
    update(lock->state());
    connect(lock, &Lock::stateChanged, this, qOverload<bool>(&LockGroup::update));
}

void LockGroup::addLock(Lock* lock)
{
    m_locks.append(lock);
}

QString LockGroup::text() const
{
    return m_text->text();
}

void LockGroup::update(bool locked)
{
    if (!m_lock)
        return;
    LockView::showLine(this, m_icon, m_text, m_lock, locked, locked ? m_pixmapLocked : m_pixmapFree,
                       QString());
}

void LockGroup::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    delete m_popup.data();
    m_popup = LockView::makeList(parentWidget(), {}, width(), m_locks);
    m_popup->move(pos() + QPoint(20, 30));
    m_popup->show();
}

void LockGroup::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    delete m_popup.data();
    m_popup = nullptr;
}
