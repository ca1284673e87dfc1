// The vacuum screen's core: construction and destruction, the two links and their colours, the
// pressure unit, the value cells and interlocks by name, the element dialogs and the settings.

#include "kvs.h"

#include <QPalette>
#include <QTimer>

#include <cmath>

#include "elementdlg.h"
#include "netconfig.h"
#include "settingsfile.h"
#include "statebutton.h"
#include "vacuummimic.h"
#include "widgets.h"

namespace {

constexpr int kRetryMs = 1000;
const QColor kLinkUp(255, 255, 192);
const QColor kLinkDown(255, 192, 192);
constexpr float kMmHgPerPa = 0.0075006373f;

// A threshold of the settings: its default when missing, 0 when it is not a finite number.
float threshold(const QSettings& settings, const QString& key, float byDefault)
{
    const float value = settings.value(key, byDefault).toFloat();
    return std::isfinite(value) ? value : 0.0f;
}

}  // namespace

KVS::KVS(QWidget* parent) : QWidget(parent)
{
    m_states.fill(-1);
    setupUi(this);
    addAction(actHide);

    initSprites();
    initElements();
    initLocks();
    initStateButtons();
    initSensors();
    initDialogs();
    // Nothing has been reported yet.
    showUnknown(KvsLink);
    showUnknown(KvkLink);

    connect(&m_kvk, &KVKTCPthread::changedAlgNumber, this, &KVS::changedMode);
    connect(&m_kvk, &KVKTCPthread::changedAlgNumber, this, &KVS::signalChangedMode);
    connect(&m_kvk, &KVKTCPthread::changedAlgTime, this, &KVS::signalChangedModeTime);
    connect(&m_kvk, &KVKTCPthread::changedAlgRun, this, &KVS::signalChangedModeState);
    connect(&m_kvs, &KVSTCPthread::message, this, &KVS::messageTCP);
    connect(&m_kvk, &KVKTCPthread::message, this, &KVS::messageTCP);

    connect(&m_kvs, &KVSTCPthread::disconnected, this, &KVS::disconnectedKVS);
    connectKVS();
    connect(&m_kvk, &KVKTCPthread::disconnected, this, &KVS::disconnectedKVK);
    connectKVK();

    loadSettings();
}

KVS::~KVS()
{
    // Nothing may come back to a screen that is going away: no reconnection, no report.
    QObject::disconnect(&m_kvs, nullptr, this, nullptr);
    QObject::disconnect(&m_kvk, nullptr, this, nullptr);
    if (m_kvs.connected())
        m_kvs.disconnect();
    if (m_kvk.connected())
        m_kvk.disconnect();
    // The dialogs and the mode buttons hold value cells and locks: they go first.
    for (VacuumElementDlg*& dialog : m_dialogs) {
        delete dialog;
        dialog = nullptr;
    }
    for (StateButton* button : {sbVacPrepare, sbVacForepump, sbVacPumping, sbVacFilling, sbVacShutdown,
                                sbVacManual, sbVacAdjust})
        delete button;
    qDeleteAll(m_Elements);
    m_Elements.clear();
    qDeleteAll(m_locks);
    m_locks.clear();
}

void KVS::loadSettings()
{
    const auto settings = SettingsFile::open();
    m_tempWarning = threshold(*settings, QStringLiteral("Vacuum/TempWarning"), 30.0f);
    m_tempError = threshold(*settings, QStringLiteral("Vacuum/TempError"), 50.0f);
    for (int w = 1; w <= int(m_minDisch.size()); ++w)
        m_minDisch[size_t(w - 1)] = threshold(*settings, QStringLiteral("Vacuum/MinDischW%1").arg(w), 3.0f);
}

// ---- links ----------------------------------------------------------------------------------

void KVS::setWindowColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setBrush(QPalette::All, QPalette::Window, QBrush(colour, Qt::SolidPattern));
    widget->setPalette(palette);
}

void KVS::setLinkColour(Link link, bool up)
{
    const QColor& colour = up ? kLinkUp : kLinkDown;
    if (link == KvsLink) {
        setWindowColour(this, colour);
    } else {
        setWindowColour(Chamber, colour);
        showDoorLook();
    }
}

void KVS::showDoorLook()
{
    const bool known = m_kvkUp && m_doorState >= 0 && m_doorPressState >= 0;
    setWindowColour(Door, known ? kLinkUp : invalidBackground());
}

void KVS::connectKVS()
{
    const ControllerAddress address = NetConfig::kvs();
    if (m_kvs.connect(address.host, address.tcpPort, address.udpPort)) {
        setLinkColour(KvsLink, true);
        m_kvsUp = true;
        emit onKVSConnected(true);
    } else {
        disconnectedKVS();
    }
}

void KVS::connectKVK()
{
    const ControllerAddress address = NetConfig::kvk();
    if (m_kvk.connect(address.host, address.tcpPort, address.udpPort)) {
        m_kvkUp = true;
        setLinkColour(KvkLink, true);
        emit onKVKConnected(true);
    } else {
        disconnectedKVK();
    }
}

void KVS::disconnectedKVS()
{
    setLinkColour(KvsLink, false);
    m_kvsUp = false;
    showUnknown(KvsLink);
    emit onKVSConnected(false);
    QTimer::singleShot(kRetryMs, this, &KVS::connectKVS);
}

void KVS::disconnectedKVK()
{
    m_kvkUp = false;
    showUnknown(KvkLink);
    setLinkColour(KvkLink, false);
    emit onKVKConnected(false);
    QTimer::singleShot(kRetryMs, this, &KVS::connectKVK);
}

void KVS::messageTCP(const QString& text) { emit message(text, false); }

void KVS::onSystemStarted()
{
    // A datagram delivered while the main window was still being built (a message box of its
    // start runs the event loop) reached no relay of the main window: have it all again.
    if (m_kvs.statusKnown())
        m_kvs.resendStatus();
    if (m_kvk.statusKnown())
        m_kvk.resendStatus();
    emit onKVSConnected(m_kvsUp);
    emit onKVKConnected(m_kvkUp);
}

// ---- pressure unit --------------------------------------------------------------------------

void KVS::changePressUnit()
{
    m_pressUnit = m_pressUnit == 0 ? 1 : 0;
    setPressUnit(m_pressUnit);
    emit onChangedPressUnit(m_pressUnit != 0);
}

void KVS::setPressUnit(int unit)
{
    if (unit != 0 && unit != 1)
        return;
    const float coefficient = unit == 0 ? 1.0f : kMmHgPerPa;
    const QString text = unit == 0 ? QStringLiteral("Па") : QStringLiteral("мм.рт.ст.");
    for (int i = 0; i < 6; ++i) {
        gauge(i)->setCoeff(coefficient);
        gaugeUnit(i)->setText(text);
    }
}

// ---- value cells and interlocks -------------------------------------------------------------

namespace {

// Names are fixed in the program: filing one twice, or asking for one never filed, is a
// programming error that stops the program.
template <class T>
void fileUnder(QMap<QString, T*>& map, const QString& name, T* item, const char* where, const char* assertion)
{
    if (map.contains(name))
        qFatal("%s(%s): %s", where, qPrintable(name), assertion);
    map.insert(name, item);
}

template <class T>
T* filedUnder(const QMap<QString, T*>& map, const QString& name, const char* where, const char* assertion)
{
    const auto i = map.constFind(name);
    if (i == map.constEnd())
        qFatal("%s(%s): %s", where, qPrintable(name), assertion);
    return i.value();
}

}  // namespace

void KVS::addElement(const QString& name, LenzeElement::Type type, int dec)
{
    fileUnder(m_Elements, name, new LenzeElement(type, name, dec), "KVS::addElement", "i == m_Elements.end()");
}

LenzeElement* KVS::element(const QString& name)
{
    return filedUnder(m_Elements, name, "KVS::element", "i != m_Elements.end()");
}

void KVS::addLock(const QString& name, bool perm, const QString& lockText, const QString& freeText)
{
    fileUnder(m_locks, name, new Lock(perm, lockText, freeText), "KVS::addLock", "i == m_locks.end()");
}

Lock* KVS::lock(const QString& name)
{
    return filedUnder(m_locks, name, "KVS::lock", "i != m_locks.end()");
}

// ---- element dialogs ------------------------------------------------------------------------

void KVS::showDialog(ElementDialog dialog)
{
    m_dialogs[dialog]->showDlg();
}

void KVS::on_actHide_triggered()
{
    emit message(QStringLiteral("[I]Нажата комбинация клавиш для скрытия диалогов элементов вакуумной системы"),
                 false);
    hideDialogs();
}

void KVS::hideDialogs()
{
    for (VacuumElementDlg* dialog : m_dialogs)
        dialog->hide();
}

void KVS::on_NL1_clicked() { showDialog(DlgNL1); }
void KVS::on_NL2_clicked() { showDialog(DlgNL2); }
void KVS::on_NZ1_clicked() { showDialog(DlgNZ1); }
void KVS::on_NZ2_clicked() { showDialog(DlgNZ2); }
void KVS::on_ND1_clicked() { showDialog(DlgND1); }
void KVS::on_lblND1_clicked() { showDialog(DlgND1); }
void KVS::on_NW2_clicked() { showDialog(DlgNW2); }
void KVS::on_VP1_clicked() { showDialog(DlgVP1); }
void KVS::on_VP2_clicked() { showDialog(DlgVP2); }
void KVS::on_VP3_clicked() { showDialog(DlgVP3); }
void KVS::on_VP4_clicked() { showDialog(DlgVP4); }
void KVS::on_VP5_clicked() { showDialog(DlgVP5); }
void KVS::on_VP6_clicked() { showDialog(DlgVP6); }
void KVS::on_VP7_clicked() { showDialog(DlgVP7); }
void KVS::on_VP8_clicked() { showDialog(DlgVP8); }
void KVS::on_Door_clicked() { showDialog(DlgDoor); }
void KVS::on_VPT_clicked() { showDialog(DlgVPT); }
void KVS::on_VE1_clicked() { showDialog(DlgVE1); }
void KVS::on_TMN_clicked() { showDialog(DlgTMN); }
