#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include "consolefont.h"
#include "messagebox.h"
#include "runner.h"

// Every test process runs in a private temporary root: POKAVRO_ROOT (the installation's fixed
// paths), TMPDIR (shared-memory keys) and the working directory all point into it, and it is
// removed when the process ends.
namespace TestEnv {

// Creates the root and points the environment at it; called by POKAVRO_TEST_MAIN before the
// application object exists. Returns false when no temporary folder could be made.
bool setUp();

// The private root of this test process.
QString root();

// Creates the folders an installation has ("/home/oper/bin/passports", "/programs/ch1..3",
// "/points", "/log", "/var/tmp", "/dev").
void makeInstallationFolders();

// Readies the root for a whole console: the installation's folders, the "dump" folder of the
// working directory, and a fresh settings file with the three controllers on free loopback
// ports (returned as configureControllers() returns them).
QList<quint16> prepareConsole();

// A loopback port, free a moment ago for both TCP and UDP, that no other test process of the
// machine is given while this one may still use it (its latest picks are held).
quint16 freePort();

// True once `done` holds, asked a few times a second for up to `timeoutMs`. For what the console
// reads from a shared segment: it waits for an access only briefly, and for all its segments
// together only so long a second (the time comes back at a twentieth of the time passed), so on
// a loaded machine an access may find the segment's thread not yet done. Asked a few times a
// second, each access has a share of that time that a thread waiting for a core meets; asked as
// often as a wait loop asks, each would have a fraction of a millisecond.
bool readsBack(const std::function<bool()>& done, int timeoutMs = 15000);

// Runs the application's event loop as main does, with `action` queued into it; returns the
// loop's result (99 when nothing ended it within 15 s).
int runLoop(const std::function<void()>& action);

// Writes "Network/<Name>Host" = 127.0.0.1 and free ports for all three controllers into the
// settings file of the root; returns the ports as drive tcp, drive udp, kvs tcp, kvs udp,
// kvk tcp, kvk udp.
QList<quint16> configureControllers();

}  // namespace TestEnv

// Records what would have run instead of running it.
class RecordingRunner final : public ProgramRunner
{
public:
    RecordingRunner() { ProgramRunner::install(this); }
    ~RecordingRunner() override { ProgramRunner::install(nullptr); }

    int runShell(const QString& commandLine) override
    {
        shellCommands << commandLine;
        return shellResult;
    }
    bool startDetached(const QString& program, const QStringList& arguments) override
    {
        detached << qMakePair(program, arguments);
        return detachedResult;
    }

    QStringList shellCommands;
    QList<QPair<QString, QStringList>> detached;
    int shellResult = 0;
    bool detachedResult = true;
};

// Records every message box and answers with a scripted button.
class RecordingBoxes final : public MessageBoxSink
{
public:
    struct Box {
        QMessageBox::Icon icon;
        QString title;
        QString text;
    };

    RecordingBoxes() { MessageBoxSink::install(this); }
    ~RecordingBoxes() override { MessageBoxSink::install(nullptr); }

    QMessageBox::StandardButton show(QMessageBox::Icon icon, QWidget*, const QString& title,
                                     const QString& text, QMessageBox::StandardButtons,
                                     QMessageBox::StandardButton) override
    {
        boxes.append({icon, title, text});
        return answers.isEmpty() ? QMessageBox::Ok : answers.takeFirst();
    }

    QList<Box> boxes;
    QList<QMessageBox::StandardButton> answers;
};

// QTEST_MAIN with the private root set up before the application object, and the console's own
// font, so that the widgets under test measure their text as on the installation's screen.
#define POKAVRO_TEST_MAIN(TestObject)                                        \
    int main(int argc, char* argv[])                                         \
    {                                                                        \
        if (!TestEnv::setUp())                                               \
            return 1;                                                        \
        QApplication app(argc, argv);                                        \
        app.setAttribute(Qt::AA_Use96Dpi, true);                             \
        installConsoleFont();                                                \
        TestObject tc;                                                       \
        QTEST_SET_MAIN_SOURCE_PATH                                           \
        return QTest::qExec(&tc, argc, argv);                                \
    }
