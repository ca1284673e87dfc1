#pragma once

#include <QString>
#include <QStringList>

// The one place that starts programs outside the console: the power-off shell command and the
// detached desktop programs (calculator, PDF viewer). Tests install a recording runner so that
// nothing real is ever started.
class ProgramRunner
{
public:
    virtual ~ProgramRunner() = default;

    // Runs a shell command line and waits for it; returns its exit status, or -1 when it could
    // not be run at all. The system's runner never runs one while POKAVRO_ROOT redirects the
    // installation's paths.
    virtual int runShell(const QString& commandLine) = 0;

    // Starts a program detached from the console; false when it could not be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;

    // The runner in force: the installed one, else the system's.
    static ProgramRunner& instance();

    // Installs a runner (not owned); nullptr restores the system's.
    static void install(ProgramRunner* runner);
};
