#include "runner.h"

#include <QProcess>

namespace {

class SystemRunner final : public ProgramRunner
{
public:
    int runShell(const QString& commandLine) override
    {
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
