// The weld program editor's starts: the start button (full start, continuation after a
// technological stop, test move), the go-to moves on a touch of a contour row and the correction
// move. The programs come from WeldProgram as functions of the editor's snapshot; ChannelStart
// writes and starts them. The start button's programs (and the header of the weld's passport) grow
// with the weld: they are generated on a worker thread from the press's snapshot, and the start
// goes on in the GUI thread when they are there.

#include <QFutureWatcher>
#include <QTableWidget>
#include <QtConcurrent/QtConcurrentRun>

#include "channelstart.h"
#include "contour.h"
#include "drivecomm.h"
#include "gui.h"
#include "programpage.h"
#include "startcheck.h"
#include "techdialogs.h"

namespace {

// Pauses between the channel starts: the beam channel waits before the motion channels begin,
// the rotator before the manipulator.
constexpr int kAfterBeamMs = 1000;
constexpr int kAfterRotatorMs = 1000;
constexpr int kAfterRotatorMoveMs = 500;

const QString kManipulatorProgram = QStringLiteral("Перемещение манипулятора");
const QString kRotatorProgram = QStringLiteral("Перемещение изделия");

}  // namespace

void CONTOUR::setUpStart()
{
    m_start = new ChannelStart([this](const QString& command) { return m_gui && m_gui->drives()->command(command); },
                               this);
    connect(m_start, &ChannelStart::message, this, &CONTOUR::message);
    connect(m_start, &ChannelStart::finished, this, [this](bool allSent) {
        // Take the callback first: it may start again.
        const std::function<void(bool)> done = std::move(m_afterStart);
        m_afterStart = nullptr;
        if (done)
            done(allSent);
        updateGcode();
        refreshEditing();
    });
    connect(twContour, &QTableWidget::cellClicked, this, &CONTOUR::onContourCellClicked);
}

void CONTOUR::forgetRun()
{
    m_gen = WeldProgram::GeneratorState();
    m_runText1.clear();
    m_runText2.clear();
    m_runText3.clear();
    m_fullRun = false;
    m_weldBeam = WeldBeam::None;
}

void CONTOUR::weldEnded()
{
    m_weldBeam = WeldBeam::None;
    m_gen.resetRun();
    updateGcode();
}

void CONTOUR::programsStopped()
{
    weldEnded();
}

bool CONTOUR::continuationPending() const
{
    return m_gen.stopPending() && m_weldBeam == WeldBeam::Running;
}

bool CONTOUR::startChannels(const QList<ChannelStart::Step>& steps, std::function<void(bool)> done)
{
    // A start under way keeps what it does when it ends.
    if (starting())
        return false;
    m_afterStart = std::move(done);
    if (m_start->start(steps)) {
        updateGcode();
        refreshEditing();
        return true;
    }
    m_afterStart = nullptr;
    return false;
}

bool CONTOUR::run(int channel, const QString& text)
{
    bool sent = false;
    startChannels({{channel, text, 0}}, [&sent](bool allSent) { sent = allSent; });
    return sent;
}

void CONTOUR::refreshEditing()
{
    refreshButtons();
    updateTechTab();
    updateProgramCommands();
}

void CONTOUR::stopStart()
{
    // The programs being generated would start no channel: each is named as not sent.
    QStringList lines;
    if (m_generation) {
        for (int channel : startedChannels(m_pending.what, m_pending.program))
            lines << ChannelStart::notSentLine(channel);
    }
    abandonGeneration(lines);
    m_start->stop();
}

void CONTOUR::showPrograms(const QString& text1, const QString& text2)
{
    if (!text2.isEmpty()) {
        m_pages[1]->show(text2);
        lbProgName2->setText(kRotatorProgram);
    }
    m_pages[0]->show(text1);
    lbProgName1->setText(kManipulatorProgram);
}

// The motion programs of a start: the rotator of a ring joint first, the manipulator after it.
QList<ChannelStart::Step> CONTOUR::motionSteps(const QString& text1, const QString& text2, int pauseMs) const
{
    QList<ChannelStart::Step> steps;
    if (!text2.isEmpty())
        steps.append({2, text2, 0});
    steps.append({1, text1, steps.isEmpty() ? 0 : pauseMs});
    return steps;
}

// ---- the check before every start -------------------------------------------------------------------

QList<int> CONTOUR::startedChannels(Start what, const ContourSnapshot& program)
{
    switch (what) {
    case Start::Channel1: return {1};
    case Start::Channel2: return {2};
    case Start::Channel3: return {3};
    default: break;
    }
    QList<int> channels;
    if (what == Start::Weld)
        channels << 3;
    if (program.schema && program.schema->circle())
        channels << 2;
    channels << 1;
    return channels;
}

QString CONTOUR::startRefusal(Start what, const ContourSnapshot& program, const bool* continuesRun) const
{
    QString prefix = StartCheck::refused(QString());
    if (what == Start::GoTo)
        prefix = QStringLiteral("[A]Переход к точке невозможен: ");
    else if (what == Start::Correction)
        prefix = QStringLiteral("[A]Сдвиг и переход невозможны: ");

    // The channels whose program files the start rewrites: none of them may be read by the
    // controller meanwhile.
    const QList<int> channels = startedChannels(what, program);

    if (starting())
        return prefix + QStringLiteral("идёт пуск программ");
    // A channel page's program is no part of the contour.
    if (opening() && what != Start::Channel1 && what != Start::Channel2 && what != Start::Channel3)
        return prefix + QStringLiteral("идёт загрузка контура");
    // As the controller reported it last: while its state is unknown it may still run any of
    // them, and without drive power it runs no program.
    DriveReadiness drive;
    drive.known = driveStatusKnown();
    drive.drivesOn = m_drivesOn;
    for (int channel = 1; channel <= 3; ++channel)
        drive.channels[channel - 1] = channelState(channel);
    const QString reason = StartCheck::driveReason(drive, channels);
    if (!reason.isEmpty())
        return prefix + reason;

    QString problem;
    switch (what) {
    case Start::Channel1:
    case Start::Channel2:
    case Start::Channel3:
        // The generators refuse a program too long for the controller's memory themselves (they
        // stop writing it as soon as it is); a page's program is measured here.
        if (m_pages[channels.first() - 1]->longerThan(WeldProgram::kMaxProgramBytes))
            problem = WeldProgram::programTooLarge(channels.first());
        break;
    case Start::Weld:
    case Start::Continuation:
        problem = WeldProgram::startProblem(program, WeldProgram::Start::Weld);
        break;
    case Start::TestMove:
        problem = WeldProgram::startProblem(program, WeldProgram::Start::TestMove);
        break;
    case Start::GoTo:
    case Start::Correction:
        problem = WeldProgram::startProblem(program, WeldProgram::Start::GoTo);
        break;
    default:
        break;
    }
    if (!problem.isEmpty())
        return prefix + problem;
    // A weld and its test move begin where the axes stand: away from the first point they would
    // run (and the beam ramp up) on a way of their own to it.
    if (what == Start::Weld || what == Start::TestMove) {
        problem = StartCheck::awayFromFirstPoint(firstPointPlaces(program));
        if (!problem.isEmpty())
            return prefix + problem;
    }
    // The correction takes the axes' position, which counts only with the transformation on.
    if (what == Start::Correction && !m_virtualMode)
        return prefix + QStringLiteral("виртуальные оси не включены");
    if (what == Start::Continuation) {
        // The beam program of the weld has ended meanwhile (the controller reported it leave): no
        // stop waits for this continuation any more.
        if (!continuationPending())
            return QStringLiteral("[A]Продолжение невозможно: сварка завершена, нужен полный пуск");
        // The beam program of the full start runs on through every continuation and knows only
        // the motion it was started with: the motion programs must be those of the full start,
        // but for the line they begin at, and the table must still give that beam program (no
        // current, focus, sweep or speed changed).
        if (continuesRun && !*continuesRun)
            return QStringLiteral("[A]Продолжение невозможно: программа изменена после пуска, нужен полный пуск");
    }
    return {};
}

QList<AxisPlace> CONTOUR::firstPointPlaces(const ContourSnapshot& program) const
{
    QList<AxisPlace> places;
    if (!program.schema)
        return places;
    const QStringList& names = program.schema->axisNames();
    const QList<float> first = program.coords(0);
    for (int i = 0; i < names.size(); ++i) {
        AxisPlace place;
        place.name = names.at(i);
        place.target = first.value(i);
        // Without the main window no controller reports anything.
        place.known = m_gui && m_gui->reportedCoord(place.name, &place.at);
        places << place;
    }
    return places;
}

bool CONTOUR::refused(Start what, const ContourSnapshot& program, const bool* continuesRun)
{
    const QString refusal = startRefusal(what, program, continuesRun);
    if (refusal.isEmpty())
        return false;
    emit message(refusal, true);
    return true;
}

// ---- start button ---------------------------------------------------------------------------------

void CONTOUR::updateGcode()
{
    pbGcode->setText(continuationPending() && m_channel1State != 3 ? QStringLiteral("ДАЛЕЕ") : QStringLiteral("ПУСК"));
    // While a start is generated or waits between its channels a second press would start it twice.
    pbGcode->setEnabled(!busy());
    pbRun->setEnabled(true);
}

void CONTOUR::on_pbGcode_clicked()
{
    // The press before it is still being generated: it goes on as it was asked.
    if (m_generation)
        return;
    emit message(QStringLiteral("[I]Нажата кнопка 'ПУСК' панели Технология"), false);
    PendingStart press;
    press.program = snapshot();
    // Continuation: only the motion programs, jumping behind the stop where the run ended.
    press.what = continuationPending() ? Start::Continuation : m_testMove ? Start::TestMove : Start::Weld;
    // What needs no program is refused at once; a continuation's programs are compared with the
    // run's once they are there.
    if (refused(press.what, press.program))
        return;
    press.gen = m_gen;
    press.runText1 = m_runText1;
    press.runText2 = m_runText2;
    press.runText3 = m_runText3;
    if (press.what == Start::Weld) {
        // The passport of the weld lists the tables as they are now: the editor stays locked until
        // the start has gone on.
        press.passport.full = true;
        passportValues(press.passport);
        press.passportCells = passportCells();
        if (press.program.schema && press.program.schema->circle())
            press.page2 = pageProgram(2);
    }
    startGenerating(std::move(press));
}

CONTOUR::GeneratedStart CONTOUR::generate(const PendingStart& press)
{
    GeneratedStart g;
    const ContourSnapshot& s = press.program;
    switch (press.what) {
    case Start::Continuation: {
        WeldProgram::GeneratorState next = press.gen;
        next.startNo += 1;
        next.stopCount = 0;
        g.motion = WeldProgram::genContour(s, next);
        if (!g.motion.ok())
            break;
        g.beam = WeldProgram::genTechnology(s);
        g.continuesRun = WeldProgram::continues(press.runText1, g.motion.text1) &&
                         WeldProgram::continues(press.runText2, g.motion.text2) && g.beam.ok() &&
                         g.beam.text3 == press.runText3;
        break;
    }
    case Start::TestMove:
        g.motion = WeldProgram::genTestMove(s);
        break;
    default: {
        // Full start: every program is generated before the first file is written.
        g.beam = WeldProgram::genTechnology(s);
        if (!g.beam.ok())
            break;
        g.motion = WeldProgram::genContour(s, WeldProgram::GeneratorState());
        if (!g.motion.ok())
            break;
        WeldPassport::Header h = press.passport;
        passportLines(h, press.passportCells, s.tech);
        h.channel1 = g.motion.text1;
        // Only a ring joint's weld turns the part: the channel 2 page is shown in its passport.
        if (s.schema && s.schema->circle())
            h.channel2 = g.motion.text2.isEmpty() ? press.page2 : g.motion.text2;
        h.channel3 = g.beam.text3;
        g.passport.full = true;
        g.passport.body = WeldPassport::headerBody(h, press.locale);
        g.passport.speed = passportSpeed(s.tech);
        break;
    }
    }
    return g;
}

void CONTOUR::startGenerating(PendingStart press)
{
    m_pending = std::move(press);
    m_generation = new QFutureWatcher<GeneratedStart>(this);
    connect(m_generation, &QFutureWatcherBase::finished, this, &CONTOUR::onGenerated);
    // The worker has its own copy of the press: the editor may drop it (and itself) meanwhile.
    m_generation->setFuture(QtConcurrent::run([press = m_pending] { return generate(press); }));
    updateGcode();
    refreshEditing();
}

void CONTOUR::abandonGeneration(const QStringList& lines)
{
    if (!m_generation)
        return;
    // The worker runs on to its end with its own copy; its result goes nowhere.
    delete m_generation;
    m_generation = nullptr;
    m_pending = PendingStart();
    for (const QString& line : lines)
        emit message(line, true);
    updateGcode();
    refreshEditing();
}

void CONTOUR::onGenerated()
{
    QFutureWatcher<GeneratedStart>* watcher = std::exchange(m_generation, nullptr);
    const GeneratedStart g = watcher->result();
    watcher->deleteLater();
    const PendingStart press = std::exchange(m_pending, PendingStart());
    updateGcode();
    refreshEditing();
    const ContourSnapshot& s = press.program;

    // What may have changed while the programs were generated: the controller's states, the run.
    if (press.what == Start::Continuation) {
        if (refused(Start::Continuation, s, &g.continuesRun))
            return;
        const WeldProgram::Programs& motion = g.motion;
        if (!motion.ok()) {
            emit message(motion.error, true);
            return;
        }
        if (startChannels(motionSteps(motion.text1, motion.text2, kAfterRotatorMs), [this, motion](bool allSent) {
                if (!allSent)
                    return;  // the stopped run still waits for its continuation
                m_gen = motion.state;
                m_runText1 = motion.text1;
                m_runText2 = motion.text2;
            }))
            showPrograms(motion.text1, motion.text2);
        return;
    }

    if (refused(press.what, s))
        return;
    if (press.what == Start::TestMove) {
        const WeldProgram::Programs& test = g.motion;
        if (!test.ok()) {
            emit message(test.error, true);
            return;
        }
        if (startChannels(motionSteps(test.text1, test.text2, kAfterRotatorMoveMs), [this](bool allSent) {
                if (allSent)
                    m_fullRun = false;
            }))
            showPrograms(test.text1, test.text2);
        return;
    }

    const WeldProgram::Programs& beam = g.beam;
    const WeldProgram::Programs& motion = g.motion;
    const QString error = !beam.ok() ? beam.error : motion.error;
    if (!error.isEmpty()) {
        emit message(error, true);
        return;
    }
    QList<ChannelStart::Step> steps{{3, beam.text3, 0}};
    for (ChannelStart::Step step : motionSteps(motion.text1, motion.text2, kAfterRotatorMs)) {
        if (steps.size() == 1)
            step.pauseMs = kAfterBeamMs;
        steps.append(step);
    }
    if (!startChannels(steps, [this, motion, beamText = beam.text3](bool allSent) {
            const WeldBeam beamState = m_weldBeam;
            forgetRun();
            if (!allSent)
                return;
            m_gen = motion.state;
            m_runText1 = motion.text1;
            m_runText2 = motion.text2;
            m_runText3 = beamText;
            m_fullRun = true;
            // The beam program may have ended already, between the channels: then nothing waits
            // at a stop.
            m_weldBeam = beamState;
            if (m_weldBeam == WeldBeam::None)
                m_gen.resetRun();
        }))
        return;
    m_pages[2]->show(beam.text3);
    lbProgName3->setText(QStringLiteral("Технология"));
    showPrograms(motion.text1, motion.text2);
    // The beam program has left (the start waits for its pause before the motion programs): the
    // editor follows it on channel 3, and the passport of the weld from now on.
    if (m_start->busy()) {
        m_weldBeam = WeldBeam::Sent;
        m_fullRun = true;
        openPassport(&g.passport);
    }
}

// ---- go-to-point and correction -----------------------------------------------------------------

void CONTOUR::onContourCellClicked(int row, int column)
{
    // A touch does not move the current point: the controller reports where the axes arrive.
    twContour->setCurrentCell(m_currentPoint, 0);
    if (linearScheme() && column == twContour->columnCount() - 1) {
        onContourCellDoubleClicked(row, column);
        return;
    }
    const ContourSnapshot s = snapshot();
    if (refused(Start::GoTo, s))
        return;
    const WeldProgram::GoTo g = WeldProgram::goToPoint(s, m_currentPoint, row, m_forward,
                                                        m_schema ? coords() : QList<float>());
    if (!g.ok()) {
        emit message(g.error, true);
        return;
    }
    if (startChannels(motionSteps(g.text1, g.text2, kAfterRotatorMoveMs), [this, forward = g.forward](bool allSent) {
            if (allSent)
                m_forward = forward;
        }))
        showPrograms(g.text1, g.text2);
}

void CONTOUR::on_pbCorrNgo_clicked()
{
    const int r = m_currentPoint;
    if (!m_schema || r < 0 || r >= twContour->rowCount())
        return;
    emit message(QStringLiteral("[I]Нажата кнопка 'Сдвинуть и перейти' панели Контур"), false);
    // Nothing is shifted for a move that would not start: the point takes the axes' position only
    // while the controller reports it.
    if (refused(Start::Correction, snapshot()))
        return;
    QList<float> delta = coords();
    const QList<float> point = coords(r);
    for (int k = 0; k < delta.size() && k < point.size(); ++k)
        delta[k] -= point.at(k);
    movePoint(r, delta);
    updateD();
    int next = r + 1;
    if (next >= twContour->rowCount())
        next = m_ring ? 0 : twContour->rowCount() - 1;
    updateLength();
    updateValidDistance();
    updateGcode();
    onContourCellClicked(next, 0);
}

void CONTOUR::onContourCellDoubleClicked(int row, int column)
{
    // No segment leaves the last point of an open contour.
    if (!m_ring && row == twContour->rowCount() - 1)
        return;
    // The channels already started run the contour as it is.
    if (starting()) {
        warn(QStringLiteral("Параметры кадра не изменены: идёт пуск программ"));
        return;
    }
    if (opening()) {
        warn(QStringLiteral("Параметры кадра не изменены: идёт загрузка контура"));
        return;
    }
    if (const QTableWidgetItem* cell = twContour->item(row, column))
        TechDialogs::runContourParams(*this, row, *cell, twContour);
}
