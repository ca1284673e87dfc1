#include "runner.h"

#include <QProcess>

#include <cstdio>

#include "fixedpaths.h"

namespace {

class SystemRunner final : public ProgramRunner
{
public:
    int runShell(const QString& commandLine) override
    {
        // A console whose installation paths are redirected (a sandbox, a test root) is not
        // running on the installation: it must never power off or reconfigure the host.
        if (!FixedPaths::root().isEmpty()) {
            std::fprintf(stderr, "poKAVRO: sandbox root in use, not running: %s\n",
                         commandLine.toLocal8Bit().constData());
            return -1;
        }
        return QProcess::execute(QStringLiteral("/bin/sh"),
                                 {QStringLiteral("-c"), commandLine});
    }

    bool startDetached(const QString& program, const QStringList& arguments) override
    {
        return QProcess::startDetached(program, arguments);
    }
};

ProgramRunner* g_installed = nullptr;

}  // namespace

ProgramRunner& ProgramRunner::instance()
{
    static SystemRunner system;
    return g_installed ? *g_installed : system;
}

void ProgramRunner::install(ProgramRunner* runner) { g_installed = runner; }
