// The weld program editor's starts: the start button (full start, continuation after a
// technological stop, test move), the go-to moves on a touch of a contour row and the correction
// move. The programs come from WeldProgram as functions of the editor's snapshot; ChannelStart
// writes and starts them.

#include <QTableWidget>

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
    m_fullRun = false;
}

bool CONTOUR::startChannels(const QList<ChannelStart::Step>& steps, std::function<void(bool)> done)
{
    // A start under way keeps what it does when it ends.
    if (m_start->busy())
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

QString CONTOUR::startRefusal(Start what, const ContourSnapshot& program, const WeldProgram::Programs* continued) const
{
    QString prefix = StartCheck::refused(QString());
    if (what == Start::GoTo)
        prefix = QStringLiteral("[A]Переход к точке невозможен: ");
    else if (what == Start::Correction)
        prefix = QStringLiteral("[A]Сдвиг и переход невозможны: ");

    // The channels whose program files the start rewrites: none of them may be read by the
    // controller meanwhile.
    QList<int> channels;
    switch (what) {
    case Start::Channel1: channels = {1}; break;
    case Start::Channel2: channels = {2}; break;
    case Start::Channel3: channels = {3}; break;
    default:
        if (what == Start::Weld)
            channels << 3;
        if (program.schema && program.schema->circle())
            channels << 2;
        channels << 1;
        break;
    }

    if (m_start->busy())
        return prefix + QStringLiteral("идёт пуск программ");
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
        if (pageProgram(channels.first()).toUtf8().size() > WeldProgram::kMaxProgramBytes)
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
    // The correction takes the axes' position, which counts only with the transformation on.
    if (what == Start::Correction && !m_virtualMode)
        return prefix + QStringLiteral("виртуальные оси не включены");
    // The beam program of the full start runs on through every continuation and knows only the
    // motion it was started with: the motion programs must be those of the full start, but for
    // the line they begin at.
    if (what == Start::Continuation) {
        const WeldProgram::Programs motion = continued ? *continued : continuation(program);
        if (motion.ok() &&
            !(WeldProgram::continues(m_runText1, motion.text1) && WeldProgram::continues(m_runText2, motion.text2)))
            return QStringLiteral("[A]Продолжение невозможно: программа изменена после пуска, нужен полный пуск");
    }
    return {};
}

WeldProgram::Programs CONTOUR::continuation(const ContourSnapshot& program) const
{
    WeldProgram::GeneratorState next = m_gen;
    next.startNo += 1;
    next.stopCount = 0;
    return WeldProgram::genContour(program, next);
}

bool CONTOUR::refused(Start what, const ContourSnapshot& program, const WeldProgram::Programs* continued)
{
    const QString refusal = startRefusal(what, program, continued);
    if (refusal.isEmpty())
        return false;
    emit message(refusal, true);
    return true;
}

// ---- start button ---------------------------------------------------------------------------------

void CONTOUR::updateGcode()
{
    pbGcode->setText(!m_gen.stopPending() || m_channel1State == 3 ? QStringLiteral("ПУСК") : QStringLiteral("ДАЛЕЕ"));
    // While a start waits between its channels a second press would start them twice.
    pbGcode->setEnabled(!m_start || !m_start->busy());
    pbRun->setEnabled(true);
}

void CONTOUR::on_pbGcode_clicked()
{
    emit message(QStringLiteral("[I]Нажата кнопка 'ПУСК' панели Технология"), false);
    const ContourSnapshot s = snapshot();
    if (m_gen.stopPending()) {
        // Continuation: only the motion programs, jumping behind the stop where the run ended. They
        // are generated once, for the check and for the start.
        const WeldProgram::Programs motion = continuation(s);
        if (refused(Start::Continuation, s, &motion))
            return;
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

    if (refused(m_testMove ? Start::TestMove : Start::Weld, s))
        return;
    if (m_testMove) {
        const WeldProgram::Programs test = WeldProgram::genTestMove(s);
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

    // Full start: every program is generated before the first file is written.
    const WeldProgram::Programs beam = WeldProgram::genTechnology(s);
    const WeldProgram::Programs motion = WeldProgram::genContour(s, WeldProgram::GeneratorState());
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
    if (!startChannels(steps, [this, motion](bool allSent) {
            forgetRun();
            if (!allSent)
                return;
            m_gen = motion.state;
            m_runText1 = motion.text1;
            m_runText2 = motion.text2;
            m_fullRun = true;
        }))
        return;
    m_pages[2]->show(beam.text3);
    lbProgName3->setText(QStringLiteral("Технология"));
    showPrograms(motion.text1, motion.text2);
    // The beam program has left (the start waits for its pause before the motion programs): the
    // passport of the weld follows it from now on.
    if (m_start->busy()) {
        m_fullRun = true;
        startPassport();
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
    if (const QTableWidgetItem* cell = twContour->item(row, column))
        TechDialogs::runContourParams(*this, row, *cell, twContour);
}
