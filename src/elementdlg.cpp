// The element switching dialogs of the vacuum plant: the shared implementation, the dialogs of
// the two vacuum controllers, the one over the generic subscribed link and the beam-cabinet one.

#include "elementdlg.h"

#include <QCursor>
#include <QHeaderView>
#include <QLayout>
#include <QMouseEvent>
#include <QTableWidgetItem>

#include <algorithm>
#include <cmath>

#include "genericlink.h"
#include "kvscomm.h"
#include "lenzeelement.h"
#include "statebutton.h"
#include "widgets.h"

namespace {

constexpr int kLabelColumnWidth = 160;
constexpr int kValueColumnWidth = 86;
constexpr int kRowHeight = 18;

const QString kErrorText = QStringLiteral("[ошибка]");
const QString kErrorCaption = QStringLiteral("Ошибка");
const QString kOnText = QStringLiteral("Вкл.");
const QString kOffText = QStringLiteral("Выкл.");

// The bar's colours by state 0 ... 4.
const char* const kBarStyles[] = {
    "background-color: rgb(160, 160, 160);", "background-color: rgb(0, 255, 0);",
    "background-color: rgb(255, 255, 0);",   "background-color: rgb(255, 255, 0);",
    "background-color: rgb(255, 0, 0);",
};
// Nothing known: the colours of an invalid reading (invalidBackground()).
const char* const kUnknownBarStyle = "background-color: rgb(255, 192, 192);";
const QColor kValidValue(Qt::white);

// The dialogs' construction arguments come from fixed tables: a violation is a programming error
// that stops the program.
void require(bool holds, const char* assertion)
{
    if (!holds)
        qFatal("element dialog: %s", assertion);
}

}  // namespace

// ---- ElementSwitchDlg ----------------------------------------------------------------------

ElementSwitchDlg::ElementSwitchDlg(QWidget* parent, const QString& title, const QString& subtitle, int state,
                                   Lock* lockOn, Lock* lockOff, const QList<Lock*>& locksOn,
                                   const QList<Lock*>& locksOff, const QString& textOn, const QString& textOff,
                                   const QStringList& strStates, const Room& showRoom, const Room& dragRoom)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_state(state),
      m_textOn(textOn),
      m_textOff(textOff),
      m_strStates(strStates),
      m_showRoom(showRoom),
      m_dragRoom(dragRoom)
{
    setupUi(this);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(1);
    require(strStates.size() == 4, "strStates.size() == 4");

    lblId->setText(title);
    lblName->setText(subtitle);
    connect(pbHide, &QPushButton::clicked, this, &QWidget::hide);
    frmDelim->hide();
    twElements->hide();

    sbSwitch->init(textOn, false, QString(), QString(), QString(), QString(), kErrorText, true);
    sbSwitch->setLock(true, lockOn);
    for (Lock* lock : locksOn)
        sbSwitch->addLock(true, lock);
    sbSwitch->setLock(false, lockOff);
    for (Lock* lock : locksOff)
        sbSwitch->addLock(false, lock);

    if (state < 0)
        showUnknown();
    else
        m_state = storable(state);
    layout()->activate();
}

int ElementSwitchDlg::storable(int state)
{
    return state >= 0 && state <= 3 ? state : 4;
}

QPoint ElementSwitchDlg::placeIn(const QPoint& at, const QSize& size, const Room& room)
{
    const auto bound = [](int value, int lower, int upper) { return std::max(lower, std::min(value, upper)); };
    return {bound(at.x(), room.left, room.right - size.width()), bound(at.y(), room.top, room.bottom - size.height())};
}

void ElementSwitchDlg::showDlg()
{
    layout()->activate();
    move(placeIn(QCursor::pos(), size(), m_showRoom));
    show();
    raise();
}

void ElementSwitchDlg::setBar(const QString& text, const QString& styleSheet)
{
    lblState->setText(text);
    lblState->setStyleSheet(styleSheet);
}

void ElementSwitchDlg::onStateChanged(int state)
{
    const bool wasUnknown = m_state < 0;
    m_state = storable(state);
    if (m_state == 4) {
        setBar(kErrorText, QLatin1String(kBarStyles[4]));
        sbSwitch->setText1(kErrorCaption);
        // The switch button keeps what it last showed, so that a press reverses it. Coming from
        // the unknown look (a lost link), it shows again the last real state reported before,
        // which the loss did not change; an element in error from its first report counts as off.
        if (sbSwitch->state() == StateButton::State4)
            sbSwitch->setState(m_lastOn);
    } else {
        const bool on = m_state == 1 || m_state == 3;
        m_lastOn = on;
        sbSwitch->setText1(on ? m_textOff : m_textOn);
        sbSwitch->setState(on);
        setBar(m_strStates.at(m_state), QLatin1String(kBarStyles[m_state]));
    }
    if (wasUnknown)
        rowsKnown(true);
}

void ElementSwitchDlg::showUnknown()
{
    m_state = -1;
    setBar(QString(), QLatin1String(kUnknownBarStyle));
    sbSwitch->setText1(m_textOn);
    // The error look of the button, in which it takes no press.
    sbSwitch->setState(StateButton::State4);
    rowsKnown(false);
}

void ElementSwitchDlg::setCommands(const QString& cmdOn, const QString& cmdOff)
{
    m_cmdOn = cmdOn;
    m_cmdOff = cmdOff;
}

void ElementSwitchDlg::send(const QString&) {}

void ElementSwitchDlg::switchElement(bool on)
{
    send(on ? m_cmdOn : m_cmdOff);
}

void ElementSwitchDlg::on_sbSwitch_clicked()
{
    const VacuumCommand::Switch action = VacuumCommand::switchAction(pressState(), sbSwitch->isChecked());
    if (action == VacuumCommand::Switch::Nothing)
        return;
    switchElement(action == VacuumCommand::Switch::On);
    hide();
}

void ElementSwitchDlg::buildRows(const QStringList& labels)
{
    if (labels.isEmpty())
        return;
    frmDelim->show();
    twElements->show();
    twElements->setColumnWidth(0, kLabelColumnWidth);
    twElements->setColumnWidth(1, kValueColumnWidth);
    twElements->verticalHeader()->setMinimumSectionSize(kRowHeight);
    twElements->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    twElements->verticalHeader()->setDefaultSectionSize(kRowHeight);
    for (const QString& label : labels) {
        const int row = twElements->rowCount();
        twElements->insertRow(row);
        twElements->setItem(row, 0, new QTableWidgetItem(label));
        twElements->setItem(row, 1, new QTableWidgetItem(QString()));
        twElements->setRowHeight(row, kRowHeight);
    }
    // Every row shows without scrolling: the frame and the column header, then the rows.
    const int chrome = 2 * twElements->frameWidth() + twElements->horizontalHeader()->sizeHint().height();
    twElements->setFixedHeight(chrome + kRowHeight * labels.size() + 2);
    layout()->activate();
}

void ElementSwitchDlg::showRowValue(int row, const QString& text)
{
    if (QTableWidgetItem* item = twElements->item(row, 1))
        item->setText(text);
}

void ElementSwitchDlg::paintRowValue(int row, const QColor& colour)
{
    if (QTableWidgetItem* item = twElements->item(row, 1))
        item->setBackground(colour);
}

void ElementSwitchDlg::mousePressEvent(QMouseEvent* event)
{
    if (!m_dragging && childAt(event->pos()) == lblId) {
        m_dragging = true;
        m_dragOffset = event->pos();
        grabMouse();
    }
    event->accept();
}

void ElementSwitchDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        move(placeIn(event->globalPos() - m_dragOffset, size(), m_dragRoom));
    event->accept();
}

void ElementSwitchDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragging) {
        releaseMouse();
        m_dragging = false;
    }
    event->accept();
}

// ---- the dialogs of the vacuum controllers ---------------------------------------------------

namespace {

// They stand over the vacuum screen, below the main window's top bar.
constexpr ElementSwitchDlg::Room kVacuumScreen{0, 100, 900, 1000};

}  // namespace

VacuumElementDlg::VacuumElementDlg(VacuumLink* link, QWidget* parent, const QString& title, const QString& subtitle,
                                   int state, Lock* lockOn, Lock* lockOff, const QList<Lock*>& locksOn,
                                   const QList<Lock*>& locksOff, const QString& textOn, const QString& textOff,
                                   const QString& cmdOn, const QString& cmdOff, const QStringList& strStates,
                                   const QStringList& strElements, const QList<LenzeElement*>& listElements)
    : ElementSwitchDlg(parent, title, subtitle, state, lockOn, lockOff, locksOn, locksOff, textOn, textOff,
                       strStates, kVacuumScreen, kVacuumScreen),
      m_link(link)
{
    require(strElements.size() == listElements.size(), "strElements.size() == listElements.size()");
    setCommands(cmdOn, cmdOff);
    buildRows(strElements);
    for (int row = 0; row < listElements.size(); ++row) {
        const LenzeElement* cell = listElements.at(row);
        m_mapElementRows.insert(cell, row);
        switch (cell->type()) {
        case LenzeElement::Number:
            connect(cell, qOverload<const LenzeElement*, int>(&LenzeElement::numberValChanged), this,
                    &VacuumElementDlg::numberChanged);
            break;
        case LenzeElement::Sensor:
            connect(cell, qOverload<const LenzeElement*, float>(&LenzeElement::sensorValChanged), this,
                    &VacuumElementDlg::sensorChanged);
            break;
        default:
            require(false, "a row cell is a number or a sensor cell");
        }
    }
    rowsKnown(storedState() >= 0);
}

void VacuumElementDlg::numberChanged(const LenzeElement* element, int value)
{
    showRowValue(m_mapElementRows.value(element, -1), value != 0 ? kOnText : kOffText);
}

// A value that is not a finite number keeps the row's last text, in the colours of an unknown
// value.
void VacuumElementDlg::sensorChanged(const LenzeElement* element, float value)
{
    const int row = m_mapElementRows.value(element, -1);
    if (std::isfinite(value)) {
        m_notFinite.remove(row);
        showRowValue(row, QString::number(double(value), 'f', element->dec()));
    } else {
        m_notFinite.insert(row);
    }
    paintRow(row, storedState() >= 0);
}

void VacuumElementDlg::paintRow(int row, bool known)
{
    paintRowValue(row, known && !m_notFinite.contains(row) ? kValidValue : invalidBackground());
}

void VacuumElementDlg::rowsKnown(bool known)
{
    // The values come from the element's own controller: unknown while its state is.
    for (int row : m_mapElementRows)
        paintRow(row, known);
}

void VacuumElementDlg::send(const QString& command)
{
    m_link->command(command);
}

KvsDlg::KvsDlg(KVSTCPthread* thread, QWidget* parent, const QString& title, const QString& subtitle, int state,
               Lock* lockOn, Lock* lockOff, const QList<Lock*>& locksOn, const QList<Lock*>& locksOff,
               const QString& textOn, const QString& textOff, const QString& cmdOn, const QString& cmdOff,
               const QStringList& strStates, const QStringList& strElements,
               const QList<LenzeElement*>& listElements)
    : VacuumElementDlg(thread, parent, title, subtitle, state, lockOn, lockOff, locksOn, locksOff, textOn, textOff,
                       cmdOn, cmdOff, strStates, strElements, listElements)
{
}

KvkDlg::KvkDlg(KVKTCPthread* thread, QWidget* parent, const QString& title, const QString& subtitle, int state,
               Lock* lockOn, Lock* lockOff, const QList<Lock*>& locksOn, const QList<Lock*>& locksOff,
               const QString& textOn, const QString& textOff, const QString& cmdOn, const QString& cmdOff,
               const QStringList& strStates, const QStringList& strElements,
               const QList<LenzeElement*>& listElements)
    : VacuumElementDlg(thread, parent, title, subtitle, state, lockOn, lockOff, locksOn, locksOff, textOn, textOff,
                       cmdOn, cmdOff, strStates, strElements, listElements)
{
}

// ---- the dialog over the generic link ------------------------------------------------------

namespace {

// A state carried as a number: its whole part; a value no int holds is an error.
int truncatedState(float value)
{
    if (!(value > -2147483648.0f && value < 2147483648.0f))
        return 4;
    return int(value);
}

}  // namespace

ElementDlg::ElementDlg(TCPthread* thread, QWidget* parent, const QString& title, const QString& subtitle,
                       Element* state, Lock* lockOn, Lock* lockOff, const QList<Lock*>& locksOn,
                       const QList<Lock*>& locksOff, const QString& textOn, const QString& textOff,
                       const QString& cmdOn, const QString& cmdOff, const QStringList& strStates,
                       const QStringList& strElements, const QList<Element*>& listElements)
    : ElementSwitchDlg(parent, title, subtitle, -1, lockOn, lockOff, locksOn, locksOff, textOn, textOff, strStates,
                       {0, 0, 1920, 980}, {0, 70, 1920, 880}),
      m_link(thread),
      m_stateCell(state)
{
    require(strElements.size() == listElements.size(), "strElements.size() == listElements.size()");
    setCommands(cmdOn, cmdOff);
    connect(state, qOverload<float>(&Element::numberValChanged), this, &ElementDlg::stateChanged);
    buildRows(strElements);
    for (int row = 0; row < listElements.size(); ++row) {
        const Element* cell = listElements.at(row);
        m_mapElementRows.insert(cell, row);
        const int type = int(cell->type());
        require(type >= Element::SensorBool && type <= Element::VariableNumber, "a row cell of a type 0 ... 6");
        if (type <= Element::SensorNumberAlt)
            connect(cell, qOverload<const Element*, bool>(&Element::validChanged), this, &ElementDlg::validChanged);
        if (type == Element::SensorBool || type == Element::SensorBoolAlt || type == Element::VariableBool
            || type == Element::VariableBoolAlt)
            connect(cell, qOverload<const Element*, bool>(&Element::boolValChanged), this, &ElementDlg::boolChanged);
        else
            connect(cell, qOverload<const Element*, float>(&Element::numberValChanged), this,
                    &ElementDlg::numberChanged);
    }
}

void ElementDlg::stateChanged(float value)
{
    onStateChanged(truncatedState(value));
}

int ElementDlg::pressState() const
{
    // Nothing reported yet: nothing to act on.
    if (storedState() < 0)
        return -1;
    return storable(truncatedState(m_stateCell->numberVal()));
}

void ElementDlg::validChanged(const Element* element, bool valid)
{
    paintRowValue(m_mapElementRows.value(element, -1), valid ? kValidValue : invalidBackground());
}

void ElementDlg::boolChanged(const Element* element, bool value)
{
    showRowValue(m_mapElementRows.value(element, -1), value ? kOnText : kOffText);
}

void ElementDlg::numberChanged(const Element* element, float value)
{
    showRowValue(m_mapElementRows.value(element, -1), QString::number(double(value), 'f', element->dec()));
}

void ElementDlg::send(const QString& command)
{
    m_link->command(command);
}

// ---- the beam-cabinet dialog -----------------------------------------------------------------

BkuDlg::BkuDlg(QWidget* parent, const QString& title, const QString& subtitle, int state, Lock* lockOn,
               Lock* lockOff, const QList<Lock*>& locksOn, const QList<Lock*>& locksOff, const QString& textOn,
               const QString& textOff, const QStringList& strStates)
    : ElementSwitchDlg(parent, title, subtitle, state, lockOn, lockOff, locksOn, locksOff, textOn, textOff, strStates,
                       {0, 100, 1920, 980}, {0, 100, 1920, 980}),
      m_title(title)
{
}

void BkuDlg::switchElement(bool on)
{
    if (m_title == QStringLiteral("ТМН"))
        emit signalCommandTMN(on);
    else if (m_title == QLatin1String("VPT"))
        emit signalCommandVPT(on);
    else if (m_title == QLatin1String("VE1"))
        emit signalCommandVE(on);
}
