#include "gui.h"

#include <algorithm>
#include <limits>

#include <QCoreApplication>
#include <QDate>
#include <QListWidgetItem>
#include <QPalette>
#include <QTime>

#include "autorization.h"
#include "axis.h"
#include "confirm.h"
#include "dumpcreator.h"
#include "exitsignals.h"
#include "fixedpaths.h"
#include "message.h"
#include "messageserver.h"
#include "messagestack.h"
#include "netconfig.h"
#include "outsidetext.h"
#include "runner.h"
#include "settingsfile.h"
#include "statebutton.h"
#include "widgets.h"

namespace {

constexpr int kClockMs = 1000;
constexpr int kRetryMs = 1000;
// Commands of one kind that fail within this time of each other are reported once.
constexpr qint64 kNotSentFoldMs = 1000;
constexpr int kConfirmSeconds = 5;
constexpr unsigned long kDumpStopWaitMs = 5000;

const char* const kShutdownCommand = "sudo /sbin/shutdown -h now";

// The handwheel keys under "LIR/".
const char* const kLirAxes[] = {"LX", "LY", "A", "B", "C", "D", "U", "V"};

// The axis objects and the message server live until the process ends (an axis's destructor
// would write settings that the program must not write); they are kept here for that.
QList<QObject*>& processObjects()
{
    static auto* objects = new QList<QObject*>;  // never destroyed, like the objects themselves
    return *objects;
}

void setLinkColour(QLabel* label, bool up)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, up ? Qt::green : Qt::red);
    palette.setColor(QPalette::WindowText, up ? Qt::black : Qt::white);
    label->setPalette(palette);
}

}  // namespace

Gui::Gui() : QWidget(nullptr)
{
    setupUi(this);
    // The editor's autoload named the program while the form was being built; the form's own
    // caption of the label came after it.
    if (!m_currentProgram.isEmpty())
        setProgramName(m_currentProgram, contour->testMove());
    setWindowState(Qt::WindowFullScreen | Qt::WindowActive);
    addAction(actExit);

    initSprites();
    initLogList();
    initLocks();
    initStateButtons();
    initDrives();
    loadIni();
    initUnknownLooks();

    connect(&m_drive, &DriveTCPthread::disconnected, this, &Gui::disconnectedDrives);
    connectDrives();

    connect(this, &Gui::signalSystemStarted, kvs, &KVS::onSystemStarted);
    connect(kvs, &KVS::onKVSConnected, this, &Gui::onChangedKVSConnected);
    connect(kvs, &KVS::onKVKConnected, this, &Gui::onChangedKVKConnected);
    connect(kvs, &KVS::message, this, &Gui::prgMessage);
    connect(contour, &CONTOUR::message, this, &Gui::prgMessage);
    connect(this, &Gui::signalSystemStarted, contour, &CONTOUR::onSystemStarted);
    connect(kvs, &KVS::turnSystemOff, this, &Gui::onTurnSystemOff);
    connect(kvs, &KVS::onChangedPressUnit, this, &Gui::onChangedPressUnit);
    connect(kvs, &KVS::signalChangedSpiralLock, this, &Gui::onChangedSpiralLock);
    connect(kvs, &KVS::signalChangedShutdownLock, this, &Gui::onChangedShutdownLock);
    connect(kvs, &KVS::signalChangedMode, this, &Gui::changedMode);
    connect(kvs, &KVS::signalChangedModeTime, this, &Gui::changedModeTime);
    connect(kvs, &KVS::signalChangedModeState, this, &Gui::changedModeState);
    connect(kvs, &KVS::changedChamberPressure, this, &Gui::onChangedChamberPressure);
    connect(kvs, &KVS::changedChamberPressureValid, this, &Gui::onChangedChamberValid);
    connect(kvs, &KVS::changedGunPressure, this, &Gui::onChangedGunPressure);
    connect(kvs, &KVS::changedGunPressureValid, this, &Gui::onChangedGunValid);
    connect(this, &Gui::signalUserChange, kvs, &KVS::onUserChanged);
    connect(this, &Gui::signalUserChange, contour, &CONTOUR::onUserChanged);
    connect(this, &Gui::signalUserChange, this, &Gui::onUserChanged);
    connect(&m_lir, &Lir940p::valueChanged, this, &Gui::onLirChanged);

    m_messageStack = new CMessageStack(nullptr);
    m_messageStack->setParent(frErrorDiagnostic);
    m_messageStack->move(5, 24);
    m_messageServer = new CMessageServer;
    processObjects().append(m_messageServer);
    connect(m_messageServer, &CMessageServer::sigAddMessage, m_messageStack, &CMessageStack::slotAddMessage);
    connect(m_messageStack, &CMessageStack::sigConfirmMessage, m_messageServer,
            &CMessageServer::slotConfirmMessage);
    connect(m_messageServer, &CMessageServer::sigUpdateMessage, m_messageStack, &CMessageStack::slotUpdateMessage);
    connect(m_messageServer, &CMessageServer::sigDeleteMessage, m_messageStack, &CMessageStack::slotDeleteMessage);
    // The alarms come from the drive controller's status.
    m_messageStack->setStatusKnown(m_driveLook.known());
    connect(&m_driveLook, &UnknownLook::knownChanged, m_messageStack, &CMessageStack::setStatusKnown);

    m_pointAxes = QStringList{"LX", "LY", "A", "B", "C", "D", "U1", "V"};

    frmVirtual->setGeometry(10, 345, 450, 260);
    frmVirtual->hide();
    frmLX2->setGeometry(0, 105, 450, 75);
    pbInfoLX2->setGeometry(385, 115, 55, 55);
    frmLX2->setVisible(m_showSecondLX);
    pbInfoLX2->setVisible(m_showSecondLX);
    frmU2->setGeometry(0, 25, 450, 75);
    pbInfoU2->setGeometry(385, 35, 55, 55);
    frmU2->setVisible(m_showSecondU);
    pbInfoU2->setVisible(m_showSecondU);
    pultRegime->hide();
    // The two-line channel titles fill their 31 px to the last row, which the mode label below
    // overlaps: above it, both lines show whole (the third title alike, for one look).
    for (QLabel* title : {lblChannel1, lblChannel2, lblChannel3})
        title->raise();

    connect(&m_clock, &QTimer::timeout, this, &Gui::onTimeChanged);
    m_clock.start(kClockMs);
    lblDate->setText(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy, ddd")));

    if (!m_logFile.open())
        prgMessage(QStringLiteral("[W]Журнал оператора не записывается: не удалось создать файл в папке %1")
                       .arg(QString::fromLatin1(FixedPaths::kLogDir)),
                   true);
    // What the settings file had to say before the log was open (a damaged file set aside), and
    // all it says from now on.
    SettingsFile::setReporter([this](const QString& line) { prgMessage(line, true); });

    m_dumpCreator = new DumpCreator(m_processValues);
    m_dumpCreator->setDumpPath(QStringLiteral("dump"));
    m_dumpCreator->startDump();

    // A box about the users file runs the event loop while it waits for the operator, and the
    // links report meanwhile: it comes once everything is connected and the log is open.
    m_userManager = new Autorization::Manager(this, lblUserName, lblUserRight, pbChangeUser, pbUsers,
                                              FixedPaths::usersFile());
    m_userManager->readUsers();
    connect(pbUsers, &QPushButton::clicked, m_userManager, &Autorization::Manager::onControlPanel);

    emit signalSystemStarted();
}

Gui::~Gui()
{
    // The weld program editor autosaves its contour and settings as it goes: it goes first, while
    // its last log line still finds the window and the operator log.
    delete contour;
    contour = nullptr;

    // The dump thread reads m_processValues: it must have ended before the block goes away.
    QObject::disconnect(&m_drive, nullptr, this, nullptr);
    // The vacuum screen, a child, outlives this object's own members.
    QObject::disconnect(kvs->kvs(), nullptr, this, nullptr);
    QObject::disconnect(kvs->kvk(), nullptr, this, nullptr);
    m_dumpCreator->stopDump();
    if (m_dumpCreator->wait(kDumpStopWaitMs)) {
        delete m_dumpCreator;
        delete[] m_processValues;
    } else {
        // A write stuck on the disk: leave the thread and its block alive rather than free
        // memory that the thread still reads.
        qWarning("the process dump did not stop");
    }
    m_dumpCreator = nullptr;
    m_processValues = nullptr;

    saveIni();
    SettingsFile::setReporter({});
    delete m_userManager;
    m_userManager = nullptr;
    m_logFile.close();
    qDeleteAll(m_locks);
    m_locks.clear();
}

// ---- program start and the user ---------------------------------------------------------------

bool Gui::autorizationAccepted()
{
    m_userRights = m_userManager->showAutorization();
    emit signalUserChange(m_userRights);
    m_userGroupText = lblUserRight->text();
    m_userNameText = lblUserName->text();
    prgMessage(QStringLiteral("[I]Регистрация пользователя - ") + m_userGroupText + QLatin1Char(' ')
                   + m_userNameText,
               true);
    return m_userRights >= 0;
}

void Gui::on_pbChangeUser_clicked()
{
    prgMessage(QStringLiteral("[I]Нажата кнопка 'Смена пользователя'"), false);
    m_userRights = m_userManager->showAutorization();
    if (m_userRights < 0) {
        prgMessage(QStringLiteral("[I]Смена пользователя не выполнена"), true);
    } else {
        m_userGroupText = lblUserRight->text();
        m_userNameText = lblUserName->text();
        prgMessage(QStringLiteral("[I]Регистрация пользователя - ") + m_userGroupText + QLatin1Char(' ')
                       + m_userNameText,
                   true);
    }
    emit signalUserChange(m_userRights);
}

QString Gui::getUserName() const { return m_userGroupText + QLatin1Char(' ') + m_userNameText; }

float Gui::pressure() const
{
    // A gauge that reports itself invalid measures nothing, whatever number it last sent.
    return m_chamberPressure.valid && m_chamberPressure.finite ? VacuumChamber->value() * VacuumChamber->coeff()
                                                               : std::numeric_limits<float>::quiet_NaN();
}

void Gui::onUserChanged(int rights)
{
    // Only an administrator or a fixer sees the controller constants; -1 (nobody) is no more
    // privileged than an operator.
    pbConstants->setVisible(rights == 0 || rights == 1);
}

// ---- leaving the program ----------------------------------------------------------------------

bool Gui::confirmed(const QString& question, QWidget* anchor)
{
    Confirm dialog(QStringLiteral("Подтверждение"), question, anchor, kConfirmSeconds);
    return dialog.exec() == QDialog::Accepted;
}

void Gui::on_pbCloseProgram_clicked()
{
    if (!confirmed(QStringLiteral("Вы хотите выйти из программы оператора?"), pbCloseProgram))
        return;
    leave(QStringLiteral("по кнопке"));
}

void Gui::on_actExit_triggered() { leave(QStringLiteral("по комбинации клавиш")); }

void Gui::leaveBySignal(int signalNumber)
{
    // Dialogs open now end with the event loop, as if cancelled: nothing they ask is answered.
    leave(QStringLiteral("по сигналу ") + ExitSignals::name(signalNumber));
}

void Gui::leave(const QString& how)
{
    prgMessage(QStringLiteral("[I]Выполнен выход из программы автоматической сварки ") + how, false);
    QCoreApplication::exit(0);
}

void Gui::on_sbShutdown_clicked()
{
    if (!confirmed(QStringLiteral("Выключить установку?"), sbShutdown))
        return;
    prgMessage(QStringLiteral("[I]Завершение работы установки выполнено"), false);
    onSystemShutdown();
}

void Gui::onSystemShutdown()
{
    const int status = ProgramRunner::instance().runShell(QString::fromLatin1(kShutdownCommand));
    if (status != 0)
        qWarning("\"%s\" failed (status %d)", kShutdownCommand, status);
    QCoreApplication::exit(0);
}

void Gui::onTurnSystemOff(bool) {}

// ---- clock and drive link ---------------------------------------------------------------------

void Gui::onTimeChanged()
{
    lblTime->setText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
    const QString ela = QStringLiteral("Ela");
    m_pult.setFuncLeftEncoder(m_lirLeft == ela ? 1 : 0);
    m_pult.setFuncRightEncoder(m_lirRight == ela ? 1 : 0);
    m_pult.setFuncDistEncoder(m_lirDist == ela ? 1 : 0);
    m_pult.setBlockGui(!isEnabled());
    m_ela.updateStatusEla();
    onChangedELAConnected(m_ela.changed());
}

void Gui::connectDrives()
{
    const ControllerAddress address = NetConfig::drive();
    if (m_drive.connect(address.host, address.tcpPort, address.udpPort)) {
        m_cncConnected = true;
        onChangedCNCConnected(true);
    } else {
        disconnectedDrives();
    }
}

void Gui::disconnectedDrives()
{
    m_cncConnected = false;
    onChangedCNCConnected(false);
    QTimer::singleShot(kRetryMs, this, &Gui::connectDrives);
}

void Gui::onDriveStatusKnown(bool known)
{
    if (known)
        return;
    // What the commands and dialogs read of the status is not known either.
    m_drivesOn = false;
    m_channelState1 = 0;
    m_virtualState = 0;
    updateTrans();
}

void Gui::commandNotSent(const QString& controller, const QString& command)
{
    // A burst of one command into a dead link (a turned handwheel, a jog pressed and released) is
    // reported once: commands are told apart by their name and first argument ("MOVE(LX",
    // "LIR(1", "ALG(3"), so that a different command is always named.
    int end = command.size();
    for (const QChar separator : {QLatin1Char(','), QLatin1Char(')')}) {
        const int at = command.indexOf(separator);
        if (at >= 0)
            end = std::min(end, at);
    }
    const QString keyword = command.left(end);
    NotSent& last = m_notSent[controller];
    const bool repeated =
        last.keyword == keyword && last.clock.isValid() && last.clock.elapsed() < kNotSentFoldMs;
    last.keyword = keyword;
    last.clock.start();
    if (!repeated)
        prgMessage(QStringLiteral("[W]Команда '%1' не отправлена: нет связи с %2").arg(command, controller),
                   true);
}

void Gui::statusFromForeignSender(const QString& controller, const FramedLink& link, const QString& sender)
{
    prgMessage(QStringLiteral("[W]Пакеты состояния с чужого адреса %1 отброшены: %2 на адресе %3")
                   .arg(sender, controller, ipv4Text(link.peerAddress())),
               true);
}

void Gui::statusChangesDropped(const QString& controller, int count)
{
    prgMessage(QStringLiteral("[W]Изменения состояния от %1 приходили слишком часто, пропущено: %2")
                   .arg(controller)
                   .arg(count),
               true);
}

void Gui::onChangedCNCConnected(bool state) { setLinkColour(lblCNC, state); }
void Gui::onChangedKVSConnected(bool state) { setLinkColour(lblKVS, state); }
void Gui::onChangedKVKConnected(bool state) { setLinkColour(lblKVK, state); }

// A link counts as there while its controller's status flows: a connection that brings no status
// restores nothing. Its loss and its return are said once each, not the first connection.
void Gui::logLink(LinkLog& link, const QString& controller, bool known)
{
    if (known == link.known)
        return;
    link.known = known;
    if (!known)
        prgMessage(QStringLiteral("[W]Потеряна связь с %1").arg(controller), true);
    else if (link.everKnown)
        prgMessage(QStringLiteral("[I]Связь с %1 восстановлена").arg(controller), true);
    link.everKnown = true;
}
void Gui::onChangedELAConnected(bool state)
{
    m_elaAlive = state;
    setLinkColour(lblELA, state);
}

// ---- operator messages ------------------------------------------------------------------------

void Gui::prgMessage(const QString& str, bool isShow)
{
    // A message may carry text from outside (a controller's words, a name from a file): one
    // message is one line of the log, whatever it holds.
    const QString line = OutsideText::singleLine(str);
    const QString stamp = OperatorLog::stamp(QTime::currentTime());
    if (isShow)
        messageToLog(stamp, line);
    m_logFile.write(stamp, line);
}

void Gui::messageToLog(const QString& time, const QString& str)
{
    const OperatorRow row = operatorRow(time, str);
    auto* item = new QListWidgetItem(row.text);
    if (row.icon != OperatorRow::NoIcon)
        item->setIcon(m_logIcons[row.icon]);
    if (row.colour.isValid())
        item->setForeground(row.colour);
    item->setSizeHint(m_logRowSize);
    lwLog->addItem(item);
    // The list lays out all its rows again whenever one comes or goes: only a bounded list keeps
    // that cost bounded.
    if (lwLog->count() > LogListRows)
        lwLog->model()->removeRows(0, lwLog->count() - LogListRows);
    // The last row becomes current once the burst of lines at hand is in: the list is laid out
    // and painted once for all of them.
    if (!m_logScroll.isActive())
        m_logScroll.start();
}

void Gui::initLogList()
{
    // Every row is one line high, so that the list lays out its rows without measuring each
    // (uniform item sizes): a longer message ends in "…" in the list and stands whole in the
    // operator log.
    auto* probe = new QListWidgetItem(OperatorLog::stamp(QTime(0, 0)), lwLog);
    probe->setIcon(m_logIcons[OperatorRow::IconInfo]);
    m_logRowSize = QSize(0, lwLog->sizeHintForRow(lwLog->row(probe)));
    delete probe;

    m_logScroll.setSingleShot(true);
    m_logScroll.setInterval(0);
    connect(&m_logScroll, &QTimer::timeout, this, [this] { lwLog->setCurrentRow(lwLog->count() - 1); });
}

// ---- sprites, locks, state buttons ------------------------------------------------------------

void Gui::initSprites()
{
    const char* const icons[] = {":/images/icon-error-mini.png", ":/images/icon-info-mini.png",
                                 ":/images/icon-run-mini.png", ":/images/icon-warning-mini.png",
                                 ":/images/icon-basic-mini.png"};
    for (int i = 0; i < 5; ++i)
        m_logIcons[i] = QIcon(QString::fromLatin1(icons[i]));

    for (PoSprite* sprite : {indX, indZ, indPHI}) {
        sprite->addPixmap(0, QStringLiteral(":/images/indicator_gray.png"));
        sprite->addPixmap(1, QStringLiteral(":/images/indicator_green.png"));
        sprite->addPixmap(2, QStringLiteral(":/images/indicator_yellow.png"));
        sprite->addPixmap(4, QStringLiteral(":/images/indicator_red.png"));
        sprite->addPixmap(UnknownLook::kUnknownSprite, QStringLiteral(":/images/indicator_unknown.png"));
    }
}

void Gui::addLock(const QString& name, bool perm, const QString& textLocked, const QString& textFree)
{
    const auto i = m_locks.find(name);
    Q_ASSERT_X(i == m_locks.end(), "src/gui", "i == m_locks.end()");
    m_locks.insert(name, new Lock(perm, textLocked, textFree));
}

Lock* Gui::lock(const QString& name)
{
    const auto i = m_locks.find(name);
    Q_ASSERT_X(i != m_locks.end(), "src/gui", "i != m_locks.end()");
    return i.value();
}

void Gui::initLocks()
{
    addLock(QStringLiteral("LOCK:LockDrives"), false, QStringLiteral("Нет вакуума или дверь не открыта"),
            QStringLiteral("Есть вакуум или дверь открыта"));
    addLock(QStringLiteral("LOCK:LockSpiral"), false, QStringLiteral("Недостаточное давление в камере"),
            QStringLiteral("Давление в камере в норме"));
    addLock(QStringLiteral("LOCK:LockPult"), false, QStringLiteral("Приводы не включены"),
            QStringLiteral("Приводы включены"));
    addLock(QStringLiteral("LOCK:LockShutdown"), false, QStringLiteral("Вакуумная система не остановлена"),
            QStringLiteral("Вакуумная система остановлена"));
}

void Gui::initStateButtons()
{
    struct Row {
        StateButton* button;
        QString caption;
        bool mode;
        QString texts[5];
        const char* lock;
    };
    const QString off = QStringLiteral("[выключены]");
    const QString on = QStringLiteral("[включены]");
    const QString error = QStringLiteral("[ошибка]");
    const Row rows[] = {
        {sbDrives, QStringLiteral("Приводы"), false, {off, on, {}, {}, error}, "LOCK:LockDrives"},
        {sbTrans, QStringLiteral("Виртуальные\nоси"), false, {off, on, {}, {}, error}, nullptr},
        {sbShutdown, QStringLiteral("Выключение\nсистемы"), true, {{}, {}, {}, {}, error}, "LOCK:LockShutdown"},
        {sbLightSpiral, QString(), false, {{}, {}, {}, {}, error}, "LOCK:LockSpiral"},
        {sbDistPult, QString(), false, {{}, {}, {}, {}, error}, "LOCK:LockPult"},
    };
    for (const Row& row : rows) {
        row.button->init(row.caption, row.mode, row.texts[1], row.texts[0], row.texts[3], row.texts[2],
                         row.texts[4], true);
        if (row.lock) {
            row.button->setLock(true, lock(QString::fromLatin1(row.lock)));
            row.button->addLock(true, lock(QString::fromLatin1(row.lock)));
        }
    }
}

void Gui::changedDrivesLock(bool on) { lock(QStringLiteral("LOCK:LockDrives"))->setState(on); }
void Gui::onChangedSpiralLock(bool on) { lock(QStringLiteral("LOCK:LockSpiral"))->setState(on); }
void Gui::onChangedShutdownLock(bool on) { lock(QStringLiteral("LOCK:LockShutdown"))->setState(on); }


// ---- drive signal wiring ----------------------------------------------------------------------

void Gui::initDrives()
{
    DriveTCPthread* d = &m_drive;
    connect(d, &DriveTCPthread::changedDrivesOn, sbDrives, qOverload<bool>(&StateButton::setState));
    connect(d, &DriveTCPthread::changedDrivesOn, this, &Gui::onChangedDrivesState);
    connect(d, &DriveTCPthread::changedTransOn, this, &Gui::onChangedTransOn);
    connect(d, &DriveTCPthread::changedTransOn, contour, &CONTOUR::onVirtualMode);
    connect(d, &DriveTCPthread::changedPultOn, this, &Gui::onChangedPultState);
    connect(d, &DriveTCPthread::changedVirtualState, this, &Gui::onChangedStateVirtual);
    connect(d, &DriveTCPthread::changedChannelState1, this, &Gui::onChangedChannelState1);
    connect(d, &DriveTCPthread::changedChannelState2, this, &Gui::onChangedChannelState2);
    connect(d, &DriveTCPthread::changedChannelState3, this, &Gui::onChangedChannelState3);
    connect(d, &DriveTCPthread::changedChannelMode1, this, &Gui::onChangedChannelMode1);
    connect(d, &DriveTCPthread::changedChannelMode2, this, &Gui::onChangedChannelMode2);
    connect(d, &DriveTCPthread::changedChannelMode3, this, &Gui::onChangedChannelMode3);
    connect(d, &DriveTCPthread::changedDrivesOn, contour, &CONTOUR::onDriveState);
    connect(d, &DriveTCPthread::changedChannelState1, contour, &CONTOUR::onChannel1State);
    connect(d, &DriveTCPthread::changedChannelState2, contour, &CONTOUR::onChannel2State);
    connect(d, &DriveTCPthread::changedChannelState3, contour, &CONTOUR::onChannel3State);
    connect(d, &DriveTCPthread::changedAxisMoving, contour, &CONTOUR::onAxisMoving);
    connect(d, &DriveTCPthread::changedPortPultRegime, this, &Gui::onChangedPultRegime);
    connect(d, &DriveTCPthread::changedDoorState, kvs, &KVS::onDoorStateChanged);
    // The vacuum screen's pumping modes need the door closed: not known while the link is lost.
    connect(d, &DriveTCPthread::disconnected, kvs, &KVS::onDoorStateUnknown);
    connect(d, &DriveTCPthread::changedDoorState, this, &Gui::onDoorStateChanged);
    connect(d, &DriveTCPthread::changedTrModuleState, this, &Gui::onTrModuleStateChanged);
    connect(d, &DriveTCPthread::changedDrivePowerState, this, &Gui::onDrivePowerStateChanged);
    connect(d, &DriveTCPthread::changedLightState, this, &Gui::onLightStateChanged);
    connect(d, &DriveTCPthread::changedAlarmState, this, &Gui::onAlarmStateChanged);
    connect(d, &DriveTCPthread::changedKeyAccess, this, &Gui::onAccessChanged);
    connect(d, &DriveTCPthread::changedSpiralPower, this, &Gui::onSpiralPowerOff);
    connect(d, &DriveTCPthread::changedDrivesPower, this, &Gui::onDrivesPowerOff);
    connect(d, &DriveTCPthread::changedPhaseAlarm, this, &Gui::onPhaseAlarm);
    connect(d, &DriveTCPthread::changedDrivesLock, this, &Gui::changedDrivesLock);

    m_coordLabel = {{"LX", coordLX}, {"LY", coordLY}, {"A", coordA},   {"B", coordB},
                    {"C", coordC},   {"D", coordD},   {"U1", coordU},  {"V", coordV},
                    {"X", coordX},   {"Z", coordZ},   {"PHI", coordPHI}};
    m_maxSpeed = {{"LX", 3000}, {"LY", 3000}, {"A", 360}, {"B", 720},  {"C", 900},  {"D", 900},
                  {"U1", 120},  {"V", 2160},  {"X", 3000}, {"Z", 3000}, {"PHI", 900}};

    using FloatSignal = void (DriveTCPthread::*)(float);
    using IntSignal = void (DriveTCPthread::*)(int);
    using BoolSignal = void (DriveTCPthread::*)(bool);
    struct AxisRow {
        const char* name;
        const char* units;
        int channel;
        const char* speedFrom;
        PoSprite* indicator;
        PoLabel* coord;
        PoLabel* speed;
        QPushButton* plus;
        QPushButton* minus;
        QPushButton* info;
        bool endless;
        bool secondPanel;
        FloatSignal coordChanged;
        IntSignal stateChanged;
        BoolSignal minSwitch;
        BoolSignal maxSwitch;
        FloatSignal minLimit;
        FloatSignal maxLimit;
        QFrame* frame;
    };
    const AxisRow rows[] = {
        {"LX", "мм", 1, "LX", indLX, coordLX, speedLX, pbPlusLX, pbMinusLX, pbInfoLX, false, m_showSecondLX,
         &DriveTCPthread::changedLX1, &DriveTCPthread::changedStateLX1, &DriveTCPthread::changedLXmin,
         &DriveTCPthread::changedLXmax, &DriveTCPthread::changedMinLimLX, &DriveTCPthread::changedMaxLimLX, frmLX},
        {"LX2", "мм", 1, "LX", indLX2, coordLX2, speedLX2, pbPlusLX2, pbMinusLX2, pbInfoLX2, false, false,
         &DriveTCPthread::changedLX2, &DriveTCPthread::changedStateLX2, &DriveTCPthread::changedLXmin,
         &DriveTCPthread::changedLXmax, &DriveTCPthread::changedMinLimLX, &DriveTCPthread::changedMaxLimLX, frmLX2},
        {"LY", "мм", 1, "LY", indLY, coordLY, speedLY, pbPlusLY, pbMinusLY, pbInfoLY, false, false,
         &DriveTCPthread::changedLY, &DriveTCPthread::changedStateLY, &DriveTCPthread::changedLYmin,
         &DriveTCPthread::changedLYmax, &DriveTCPthread::changedMinLimLY, &DriveTCPthread::changedMaxLimLY, frmLY},
        {"A", "град", 1, "A", indA, coordA, speedA, pbPlusA, pbMinusA, pbInfoA, false, false,
         &DriveTCPthread::changedA, &DriveTCPthread::changedStateA, &DriveTCPthread::changedAmin,
         &DriveTCPthread::changedAmax, &DriveTCPthread::changedMinLimA, &DriveTCPthread::changedMaxLimA, frmA},
        {"B", "град", 1, "B", indB, coordB, speedB, pbPlusB, pbMinusB, pbInfoB, false, false,
         &DriveTCPthread::changedB, &DriveTCPthread::changedStateB, &DriveTCPthread::changedBmin,
         &DriveTCPthread::changedBmax, &DriveTCPthread::changedMinLimB, &DriveTCPthread::changedMaxLimB, frmB},
        {"C", "град", 1, "C", indC, coordC, speedC, pbPlusC, pbMinusC, pbInfoC, false, false,
         &DriveTCPthread::changedC, &DriveTCPthread::changedStateC, &DriveTCPthread::changedCmin,
         &DriveTCPthread::changedCmax, &DriveTCPthread::changedMinLimC, &DriveTCPthread::changedMaxLimC, frmC},
        {"D", "град", 1, "D", indD, coordD, speedD, pbPlusD, pbMinusD, pbInfoD, false, false,
         &DriveTCPthread::changedD, &DriveTCPthread::changedStateD, &DriveTCPthread::changedDmin,
         &DriveTCPthread::changedDmax, &DriveTCPthread::changedMinLimD, &DriveTCPthread::changedMaxLimD, frmD},
        {"U1", "град", 2, "U1", indU, coordU, speedU, pbPlusU, pbMinusU, pbInfoU, false, m_showSecondU,
         &DriveTCPthread::changedU1, &DriveTCPthread::changedStateU1, &DriveTCPthread::changedUmin,
         &DriveTCPthread::changedUmax, &DriveTCPthread::changedMinLimU, &DriveTCPthread::changedMaxLimU, frmU},
        {"U2", "град", 2, "U1", indU2, coordU2, speedU2, pbPlusU2, pbMinusU2, pbInfoU2, false, false,
         &DriveTCPthread::changedU2, &DriveTCPthread::changedStateU2, &DriveTCPthread::changedUmin,
         &DriveTCPthread::changedUmax, &DriveTCPthread::changedMinLimU, &DriveTCPthread::changedMaxLimU, frmU2},
        {"V", "град", 2, "V", indV, coordV, speedV, pbPlusV, pbMinusV, pbInfoV, pbEndlessV->isChecked(), false,
         &DriveTCPthread::changedV, &DriveTCPthread::changedStateV, &DriveTCPthread::changedVmin,
         &DriveTCPthread::changedVmax, &DriveTCPthread::changedMinLimV, &DriveTCPthread::changedMaxLimV, frmV},
    };
    int index = 0;
    for (const AxisRow& row : rows) {
        const QString name = QString::fromLatin1(row.name);
        auto* axis = new Axis(name, QString::fromUtf8(row.units), index++, row.channel,
                              m_maxSpeed.value(QString::fromLatin1(row.speedFrom)), d, row.indicator, row.coord,
                              row.speed, row.plus, row.minus, row.info, row.endless, row.secondPanel);
        processObjects().append(axis);
        m_axis.insert(name, axis);
        connect(d, row.coordChanged, axis, &Axis::onCoordChanged);
        connect(d, row.stateChanged, axis, &Axis::onStateChanged);
        connect(d, row.minSwitch, axis, &Axis::onEpMinusChanged);
        connect(d, row.maxSwitch, axis, &Axis::onEpPlusChanged);
        connect(d, row.minLimit, axis, &Axis::onEpMinusValueChanged);
        connect(d, row.maxLimit, axis, &Axis::onEpPlusValueChanged);
        connect(d, &DriveTCPthread::changedDrivesOn, axis, &Axis::onDrivesPowerChanged);
        connect(axis, &Axis::parked, row.frame, &QWidget::setDisabled);
        connect(axis, &Axis::axisMessage, this, &Gui::prgMessage);
        if (name == QLatin1String("LX")) {
            connect(axis, &Axis::secondAxis, this, &Gui::showSecondLXAxis);
            connect(this, &Gui::signalSecondXPanelShow, axis, &Axis::onSecondAxisShow);
        } else if (name == QLatin1String("U1")) {
            connect(axis, &Axis::secondAxis, this, &Gui::showSecondUAxis);
            connect(this, &Gui::signalSecondUPanelShow, axis, &Axis::onSecondAxisShow);
        }
    }

    connect(d, &DriveTCPthread::changedX, this, &Gui::onChangedX);
    connect(d, &DriveTCPthread::changedZ, this, &Gui::onChangedZ);
    connect(d, &DriveTCPthread::changedPHI, this, &Gui::onChangedPHI);
    connect(d, &DriveTCPthread::changedMaxLimX, this, &Gui::onChangedMaxLimitX);
    connect(d, &DriveTCPthread::changedMaxLimZ, this, &Gui::onChangedMaxLimitZ);
    connect(d, &DriveTCPthread::changedMaxLimPHI, this, &Gui::onChangedMaxLimitPHI);
    connect(d, &DriveTCPthread::changedMinLimX, this, &Gui::onChangedMinLimitX);
    connect(d, &DriveTCPthread::changedMinLimZ, this, &Gui::onChangedMinLimitZ);
    connect(d, &DriveTCPthread::changedMinLimPHI, this, &Gui::onChangedMinLimitPHI);
    connect(d, &DriveTCPthread::changedXmax, this, &Gui::onChangedEpX);
    connect(d, &DriveTCPthread::changedZmax, this, &Gui::onChangedEpZ);
    connect(d, &DriveTCPthread::changedPHImax, this, &Gui::onChangedEpPHI);
    connect(d, &DriveTCPthread::changedXmin, this, &Gui::onChangedNpX);
    connect(d, &DriveTCPthread::changedZmin, this, &Gui::onChangedNpZ);
    connect(d, &DriveTCPthread::changedPHImin, this, &Gui::onChangedNpPHI);

    connect(d, &DriveTCPthread::messageWordChanged, this, &Gui::onNewCNCMessage);
    connect(d, &DriveTCPthread::changedCNCError, this, &Gui::onNewCNCError);

    onChangedTransOn(false);
}

// ---- what the controllers have not reported ---------------------------------------------------

void Gui::initUnknownLooks()
{
    for (PoLabel* label : {coordLX, coordLX2, coordLY, coordA, coordB, coordC, coordD, coordU, coordU2,
                           coordV, coordX, coordZ, coordPHI, channel1State, channel2State, channel3State,
                           channel1Mode, channel2Mode, channel3Mode})
        m_driveLook.addLabel(label);
    for (PoSprite* sprite : {indLX, indLX2, indLY, indA, indB, indC, indD, indU, indU2, indV, indX, indZ, indPHI})
        m_driveLook.addSprite(sprite);
    for (StateButton* button : {sbDrives, sbTrans, sbLightSpiral, sbDistPult})
        m_driveLook.addButton(button);
    m_driveLook.addLock(lock(QStringLiteral("LOCK:LockDrives")));
    m_driveLook.addLock(lock(QStringLiteral("LOCK:LockPult")));
    connect(&m_driveLook, &UnknownLook::knownChanged, this, &Gui::onDriveStatusKnown);
    m_driveLook.follow(&m_drive);
    onDriveStatusKnown(m_driveLook.known());

    // What the vacuum screen relays comes from the vacuum/door controller.
    for (QLabel* label : {static_cast<QLabel*>(VacuumChamber), static_cast<QLabel*>(VacuumGun),
                          lblVacuumState, lblVacuumTime, lblVacuumActive})
        m_vacuumLook.addLabel(label);
    m_vacuumLook.addLock(lock(QStringLiteral("LOCK:LockSpiral")));
    m_vacuumLook.addLock(lock(QStringLiteral("LOCK:LockShutdown")));
    m_vacuumLook.follow(kvs->kvk());

    const QString cnc = lblCNC->text();
    connect(&m_drive, &DriveTCPthread::commandNotSent, this,
            [this, cnc](const QString& command) { commandNotSent(cnc, command); });
    connect(&m_drive, &DriveTCPthread::statusKnownChanged, this,
            [this, cnc](bool known) { logLink(m_linkLog[0], cnc, known); });
    const QString kvsName = lblKVS->text();
    connect(kvs->kvs(), &VacuumLink::commandNotSent, this,
            [this, kvsName](const QString& command) { commandNotSent(kvsName, command); });
    connect(kvs->kvs(), &VacuumLink::statusKnownChanged, this,
            [this, kvsName](bool known) { logLink(m_linkLog[1], kvsName, known); });
    const QString kvkName = lblKVK->text();
    connect(kvs->kvk(), &VacuumLink::commandNotSent, this,
            [this, kvkName](const QString& command) { commandNotSent(kvkName, command); });
    connect(kvs->kvk(), &VacuumLink::statusKnownChanged, this,
            [this, kvkName](bool known) { logLink(m_linkLog[2], kvkName, known); });

    connect(&m_drive, &DriveTCPthread::statusFromForeignSender, this,
            [this, cnc](const QString& sender) { statusFromForeignSender(cnc, m_drive, sender); });
    const auto reportForeign = [this](VacuumLink* link, const QString& name) {
        connect(link, &VacuumLink::statusFromForeignSender, this,
                [this, link, name](const QString& sender) { statusFromForeignSender(name, *link, sender); });
    };
    reportForeign(kvs->kvs(), kvsName);
    reportForeign(kvs->kvk(), kvkName);

    connect(&m_drive, &DriveTCPthread::statusChangesDropped, this,
            [this, cnc](int count) { statusChangesDropped(cnc, count); });
    connect(kvs->kvs(), &VacuumLink::statusChangesDropped, this,
            [this, kvsName](int count) { statusChangesDropped(kvsName, count); });
    connect(kvs->kvk(), &VacuumLink::statusChangesDropped, this,
            [this, kvkName](int count) { statusChangesDropped(kvkName, count); });
}

// ---- settings ---------------------------------------------------------------------------------

namespace {

struct SpeedKey {
    const char* key;
    const char* axis;  // whose maximum speed bounds the stored one
    PoLabel* Ui::Gui::*label;
    PoLabel* Ui::Gui::*second;  // a second panel that shares the key, or null
};

const SpeedKey kSpeedKeys[] = {
    {"speedLX", "LX", &Ui::Gui::speedLX, &Ui::Gui::speedLX2}, {"speedLY", "LY", &Ui::Gui::speedLY, nullptr},
    {"speedA", "A", &Ui::Gui::speedA, nullptr},               {"speedB", "B", &Ui::Gui::speedB, nullptr},
    {"speedC", "C", &Ui::Gui::speedC, nullptr},               {"speedD", "D", &Ui::Gui::speedD, nullptr},
    {"speedU", "U1", &Ui::Gui::speedU, &Ui::Gui::speedU2},    {"speedV", "V", &Ui::Gui::speedV, nullptr},
    {"speedX", "X", &Ui::Gui::speedX, nullptr},               {"speedZ", "Z", &Ui::Gui::speedZ, nullptr},
    {"speedPHI", "PHI", &Ui::Gui::speedPHI, nullptr},
};

QString lirKey(const char* axis) { return QStringLiteral("LIR/") + QLatin1String(axis); }

}  // namespace

void Gui::loadIni()
{
    auto settings = SettingsFile::open();
    for (const char* axis : kLirAxes)
        m_lirStep.insert(QLatin1String(axis), validLirStep(settings->value(lirKey(axis), 0).toInt()));
    for (const SpeedKey& key : kSpeedKeys) {
        // The file is editable: a speed outside 0..maximum would jog beyond the top speed or,
        // negative, the wrong way.
        const int speed = qBound(0, settings->value(QLatin1String(key.key), 0).toInt(),
                                 m_maxSpeed.value(QLatin1String(key.axis)));
        (this->*key.label)->setValue(speed, 0);
        if (key.second)
            (this->*key.second)->setValue(speed, 0);
    }
}

void Gui::saveIni()
{
    auto settings = SettingsFile::open();
    for (const char* axis : kLirAxes)
        settings->setValue(lirKey(axis), m_lirStep.value(QLatin1String(axis)));
    for (const SpeedKey& key : kSpeedKeys)
        settings->setValue(QLatin1String(key.key), (this->*key.label)->value());
}

// ---- status kept for the commands and dialogs -------------------------------------------------

void Gui::onChangedMaxLimitX(float value) { m_maxLimX = value; }
void Gui::onChangedMaxLimitZ(float value) { m_maxLimZ = value; }
void Gui::onChangedMaxLimitPHI(float value) { m_maxLimPHI = value; }
void Gui::onChangedMinLimitX(float value) { m_minLimX = value; }
void Gui::onChangedMinLimitZ(float value) { m_minLimZ = value; }
void Gui::onChangedMinLimitPHI(float value) { m_minLimPHI = value; }

