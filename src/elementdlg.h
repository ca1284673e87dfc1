#pragma once

#include <QColor>
#include <QFrame>
#include <QList>
#include <QMap>
#include <QPoint>
#include <QSet>
#include <QString>
#include <QStringList>

#include "ui_elementdlg.h"
#include "vacuumcommand.h"

class Element;
class KVKTCPthread;
class KVSTCPthread;
class LenzeElement;
class Lock;
class TCPthread;
class VacuumLink;

// The small pop-up in which the operator switches one element of the vacuum plant: its name and
// model, its state on a coloured bar, optional rows of live values, a switch button guarded by
// the element's interlocks and a button that hides it. Created once, hidden, and shown at the
// cursor when the element is touched; it follows its element's state whether shown or not.
//
// The state is a vacuum element state: 0 off (closed, pressed), 1 on (open, released), 2
// switching off, 3 switching on. Any other report is the error state, stored as 4. Until the
// element's first report, and again from the moment its link is lost until it reports again,
// nothing is known: the bar is empty in the colours of an invalid reading and a press sends
// nothing.
//
// A press sends "on" while the element is off or switching off and "off" while it is on or
// switching on; in the error state it reverses the last real state reported (off when that was on
// or switching on), also when a lost link came between. A press that acts hides the dialog; a
// command its link cannot send, the link reports.
class ElementSwitchDlg : public QFrame, public Ui::ElementDlg
{
    Q_OBJECT

public:
    // Where a dialog may stand on the screen: its top-left corner within [left, right - width] x
    // [top, bottom - height].
    struct Room {
        int left;
        int top;
        int right;
        int bottom;
    };
    // The place for a dialog of the size asked at `at`: each coordinate below its lower bound
    // takes the lower bound, above its upper bound the upper bound (the lower bound wins where a
    // dialog is larger than the room).
    static QPoint placeIn(const QPoint& at, const QSize& size, const Room& room);

    // Shows the dialog at the cursor (a shown one just moves there).
    void showDlg();

    // -1 while nothing is known of the element, else 0 ... 4.
    int storedState() const { return m_state; }
    QString cmdOn() const { return m_cmdOn; }
    QString cmdOff() const { return m_cmdOff; }
    QString textOn() const { return m_textOn; }
    QString textOff() const { return m_textOff; }

public slots:
    void onStateChanged(int state);
    // Nothing is known of the element any more (its link is lost): the start look again.
    void showUnknown();

protected:
    ElementSwitchDlg(QWidget* parent, const QString& title, const QString& subtitle, int state, Lock* lockOn,
                     Lock* lockOff, const QList<Lock*>& locksOn, const QList<Lock*>& locksOff, const QString& textOn,
                     const QString& textOff, const QStringList& strStates, const Room& showRoom, const Room& dragRoom);

    // Value rows with these labels, their values empty until reported; none hides the table.
    void buildRows(const QStringList& labels);
    void showRowValue(int row, const QString& text);
    void paintRowValue(int row, const QColor& colour);
    // The rows' values become known (the element reported) or unknown (its link is lost).
    virtual void rowsKnown(bool known) { Q_UNUSED(known) }

    // The state a press acts on (the stored state unless a dialog reads it elsewhere).
    virtual int pressState() const { return m_state; }
    // Carries out a press that switches the element on or off: by default sends the command
    // through the dialog's link.
    virtual void switchElement(bool on);
    virtual void send(const QString& command);
    void setCommands(const QString& cmdOn, const QString& cmdOff);

    // A reported value as the dialog keeps it: 0 ... 3 as they are, anything else the error 4.
    static int storable(int state);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private slots:
    void on_sbSwitch_clicked();

private:
    void setBar(const QString& text, const QString& styleSheet);

    int m_state;
    // Whether the last real state reported (0 ... 3) was on or switching on: what a press in the
    // error state reverses, kept across the unknown look of a lost link.
    bool m_lastOn = false;
    QString m_cmdOn;
    QString m_cmdOff;
    QString m_textOn;
    QString m_textOff;
    QStringList m_strStates;
    Room m_showRoom;
    Room m_dragRoom;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

// The dialog of an element of one of the two vacuum controllers: a press sends the element's
// command through the controller's link; the rows show value cells of the vacuum screen (number
// cells as "Вкл."/"Выкл.", sensor cells with their decimals).
class VacuumElementDlg : public ElementSwitchDlg
{
    Q_OBJECT

public:
    VacuumLink* link() const { return m_link; }

public slots:
    void sensorChanged(const LenzeElement* element, float value);
    void numberChanged(const LenzeElement* element, int value);

protected:
    VacuumElementDlg(VacuumLink* link, QWidget* parent, const QString& title, const QString& subtitle, int state,
                     Lock* lockOn, Lock* lockOff, const QList<Lock*>& locksOn, const QList<Lock*>& locksOff,
                     const QString& textOn, const QString& textOff, const QString& cmdOn, const QString& cmdOff,
                     const QStringList& strStates, const QStringList& strElements,
                     const QList<LenzeElement*>& listElements);

    void send(const QString& command) override;
    void rowsKnown(bool known) override;

private:
    // A row's value in its known look, or in the unknown look while its element's state is not
    // known or its value is not a finite number.
    void paintRow(int row, bool known);

    VacuumLink* m_link;
    QMap<const LenzeElement*, int> m_mapElementRows;
    QSet<int> m_notFinite;  // rows whose last value reported was not a finite number
};

// An element of the vacuum-system controller.
class KvsDlg : public VacuumElementDlg
{
    Q_OBJECT

public:
    KvsDlg(KVSTCPthread* thread, QWidget* parent, const QString& title, const QString& subtitle, int state,
           Lock* lockOn, Lock* lockOff, const QList<Lock*>& locksOn, const QList<Lock*>& locksOff,
           const QString& textOn, const QString& textOff, const QString& cmdOn, const QString& cmdOff,
           const QStringList& strStates, const QStringList& strElements, const QList<LenzeElement*>& listElements);
};

// An element of the vacuum/door controller.
class KvkDlg : public VacuumElementDlg
{
    Q_OBJECT

public:
    KvkDlg(KVKTCPthread* thread, QWidget* parent, const QString& title, const QString& subtitle, int state,
           Lock* lockOn, Lock* lockOff, const QList<Lock*>& locksOn, const QList<Lock*>& locksOff,
           const QString& textOn, const QString& textOff, const QString& cmdOn, const QString& cmdOff,
           const QStringList& strStates, const QStringList& strElements, const QList<LenzeElement*>& listElements);
};

// The same dialog over the generic subscribed link: its state comes from a state cell (the value
// truncated), a press acts on the cell's current value, and its rows show cells by their type.
class ElementDlg : public ElementSwitchDlg
{
    Q_OBJECT

public:
    ElementDlg(TCPthread* thread, QWidget* parent, const QString& title, const QString& subtitle, Element* state,
               Lock* lockOn, Lock* lockOff, const QList<Lock*>& locksOn, const QList<Lock*>& locksOff,
               const QString& textOn, const QString& textOff, const QString& cmdOn, const QString& cmdOff,
               const QStringList& strStates, const QStringList& strElements, const QList<Element*>& listElements);

public slots:
    void stateChanged(float value);
    void validChanged(const Element* element, bool valid);
    void boolChanged(const Element* element, bool value);
    void numberChanged(const Element* element, float value);

protected:
    int pressState() const override;
    void send(const QString& command) override;

private:
    TCPthread* m_link;
    Element* m_stateCell;
    QMap<const Element*, int> m_mapElementRows;
};

// The dialog of a unit of the beam cabinet: it sends nothing itself but asks, by its title, for
// the turbo-molecular pump ("ТМН"), its vent valve ("VPT") or the gun gate ("VE1") to be switched.
class BkuDlg : public ElementSwitchDlg
{
    Q_OBJECT

public:
    BkuDlg(QWidget* parent, const QString& title, const QString& subtitle, int state, Lock* lockOn, Lock* lockOff,
           const QList<Lock*>& locksOn, const QList<Lock*>& locksOff, const QString& textOn, const QString& textOff,
           const QStringList& strStates);

signals:
    void signalCommandTMN(bool on);
    void signalCommandVPT(bool on);
    void signalCommandVE(bool on);

protected:
    void switchElement(bool on) override;

private:
    QString m_title;
};
