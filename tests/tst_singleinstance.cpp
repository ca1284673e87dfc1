#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "fixedpaths.h"
#include "singleinstance.h"
#include "testenv.h"

namespace {

// Run as a child of the test, this executable only tries the lock: exit 0 when it got it, 3 not.
struct LockChild {
    LockChild()
    {
        if (qEnvironmentVariableIsSet("TST_LOCK_CHILD"))
            ::_exit(checkSingleInstance() ? 0 : 3);
    }
} s_lockChild;

int childTriesLock()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TST_LOCK_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    if (!child.waitForFinished(30000))
        return -1;
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -2;
}

}  // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestEnv::makeInstallationFolders(); }

    void staleFileDoesNotBlock()
    {
        // A lock file left by a copy that crashed: the file exists, nobody holds the lock.
        QFile stale(FixedPaths::lockFile());
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("left behind");
        stale.close();
        QCOMPARE(childTriesLock(), 0);
    }

    void unopenableLockFileCountsAsHeld()
    {
        // "/var/tmp" unusable (here: a plain file in its place, which stops root too).
        const QString dir = TestEnv::root() + QStringLiteral("/var/tmp");
        QVERIFY(QDir(dir).removeRecursively());
        QFile blocker(dir);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const int result = childTriesLock();
        QVERIFY(QFile::remove(dir));
        TestEnv::makeInstallationFolders();
        QCOMPARE(result, 3);
    }

    void secondCopyIsRefused()
    {
        QFile::remove(FixedPaths::lockFile());
        QVERIFY(checkSingleInstance());
        QVERIFY(QFile::exists(FixedPaths::lockFile()));
        QCOMPARE(QFile::permissions(FixedPaths::lockFile()) & QFile::ReadOwner, QFile::ReadOwner);
        QCOMPARE(childTriesLock(), 3);
        QCOMPARE(childTriesLock(), 3);
    }

#ifdef POKAVRO_BINARY
    void secondProgramCopyEndsAtOnce()
    {
        QVERIFY(checkSingleInstance());  // this process is the running copy
        QDir(FixedPaths::logDir()).removeRecursively();
        QVERIFY(QDir().mkpath(FixedPaths::logDir()));
        QFile::remove(FixedPaths::settingsFile());
        QTemporaryDir work;
        QVERIFY(work.isValid());

        QProcess copy;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // A runtime folder of its own, so that the toolkit has nothing to say on standard error.
        QTemporaryDir runtime;
        QVERIFY(runtime.isValid());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        copy.setProcessEnvironment(env);
        copy.setWorkingDirectory(work.path());
        copy.start(QStringLiteral(POKAVRO_BINARY), QStringList());
        QVERIFY(copy.waitForFinished(30000));
        QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
        QCOMPARE(copy.exitCode(), 255);
        QCOMPARE(copy.readAllStandardError(), QByteArray("poKAVRO already running\n"));
        QCOMPARE(copy.readAllStandardOutput(), QByteArray());
        // Nothing else happened: no log, no settings, no dump.
        QVERIFY(QDir(FixedPaths::logDir()).isEmpty());
        QVERIFY(!QFile::exists(FixedPaths::settingsFile()));
        QVERIFY(QDir(work.path()).isEmpty());
    }
#endif
};

POKAVRO_TEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
