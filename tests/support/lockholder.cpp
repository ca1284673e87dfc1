#include "lockholder.h"

#include <QCoreApplication>
#include <QDir>
#include <QSharedMemory>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <cstdlib>

namespace {

const char* const kKey = "POKAVRO_HOLD_LOCK_KEY";
const char* const kMs = "POKAVRO_HOLD_LOCK_MS";
const char* const kForMs = "POKAVRO_HOLD_LOCK_FOR_MS";
const char* const kTmp = "POKAVRO_HOLD_LOCK_TMPDIR";
const char kHeld[] = "lock held\n";

}  // namespace

LockHolder::~LockHolder()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool LockHolder::start(const QString& key, int holdMs, int forMs)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kKey), key);
    env.insert(QString::fromLatin1(kMs), QString::number(holdMs));
    env.insert(QString::fromLatin1(kForMs), QString::number(forMs));
    env.insert(QString::fromLatin1(kTmp), QDir::tempPath());
    m_process.setProcessEnvironment(env);
    m_process.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(QTest::currentTestFunction())});
    if (!m_process.waitForStarted(10000))
        return false;
    QByteArray out;
    return QTest::qWaitFor(
        [&] {
            out += m_process.readAllStandardOutput();
            return out.contains(kHeld) || m_process.state() == QProcess::NotRunning;
        },
        10000)
           && out.contains(kHeld);
}

bool LockHolder::finish()
{
    return m_process.waitForFinished(10000) && m_process.exitStatus() == QProcess::NormalExit
           && m_process.exitCode() == 0;
}

bool LockHolder::holdIfAsked()
{
    if (!qEnvironmentVariableIsSet(kKey))
        return false;
    // The segment's key leads to the same system objects only under the parent's TMPDIR.
    ::setenv("TMPDIR", qgetenv(kTmp).constData(), 1);
    QSharedMemory segment(qEnvironmentVariable(kKey));
    if (!segment.attach() || !segment.lock()) {
        QTest::qFail("the holder could not take the lock", __FILE__, __LINE__);
        return true;
    }
    std::fputs(kHeld, stdout);
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QThread::msleep(qEnvironmentVariableIntValue(kMs));
        segment.unlock();
        if (clock.elapsed() >= qEnvironmentVariableIntValue(kForMs) || !segment.lock())
            break;
    }
    return true;
}
