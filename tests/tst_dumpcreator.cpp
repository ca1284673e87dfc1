#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

#include "dumpcreator.h"
#include "testenv.h"

namespace {

constexpr QFileDevice::Permissions kReadOnlyForAll =
    QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;

// The file's mode bits for owner, group and others (the "user" flags describe the access of
// whoever runs the test, which for root is everything).
QFileDevice::Permissions mode(const QString& path)
{
    return QFileInfo(path).permissions() &
           ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

// A fresh folder below the test's working directory, and the block a dump records.
struct Fixture {
    explicit Fixture(const QString& name) : folder(QDir::current().absoluteFilePath(name))
    {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        for (int i = 0; i < DumpCreator::kValueCount; ++i)
            block[i] = 1.5f * float(i) - 3.25f;
    }
    QStringList files() const
    {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }
    QString folder;
    float block[DumpCreator::kValueCount] = {};
};

QList<DumpCreator::Record> readRecords(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QList<DumpCreator::Record> records;
    for (int at = 0; at + 44 <= bytes.size(); at += 44) {
        DumpCreator::Record record;
        std::memcpy(&record.time, bytes.constData() + at, 4);
        std::memcpy(record.values, bytes.constData() + at + 4, 40);
        records << record;
    }
    return records;
}

bool waitForSize(const QString& path, qint64 size)
{
    return QTest::qWaitFor([&] { return QFileInfo(path).size() >= size; }, 10000);
}

}  // namespace

class TestDumpCreator : public QObject
{
    Q_OBJECT

private slots:
    // The owner's setup: the relative folder "dump" under the working directory.
    void recordsFollowTheBlock()
    {
        Fixture fx(QStringLiteral("dump"));
        DumpCreator dump(fx.block);
        dump.setDumpPath(QStringLiteral("dump"));
        const QDateTime started = QDateTime::currentDateTime();
        dump.startDump();

        QVERIFY(QTest::qWaitFor([&] { return fx.files().size() == 1; }, 5000));
        const QString name = fx.files().first();
        const QRegularExpression form(
            QStringLiteral("^(\\d\\d\\.\\d\\d\\.\\d{4}_\\d\\d\\.\\d\\d\\.\\d\\d)\\.dump$"));
        const QRegularExpressionMatch match = form.match(name);
        QVERIFY2(match.hasMatch(), qPrintable(name));
        const QDateTime named =
            QDateTime::fromString(match.captured(1), QStringLiteral("dd.MM.yyyy_hh.mm.ss"));
        QVERIFY(qAbs(named.secsTo(started)) <= 2);

        const QString path = QDir(fx.folder).absoluteFilePath(name);
        QCOMPARE(mode(path), QFileDevice::Permissions(
                                 QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                 QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                 QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                 QFileDevice::ReadOther | QFileDevice::WriteOther |
                                 QFileDevice::ExeOther));
        QVERIFY(waitForSize(path, 6 * 44));

        dump.stopDump();
        QVERIFY(dump.wait(5000));

        QFileInfo info(path);
        QCOMPARE(info.size() % 44, qint64(0));
        QCOMPARE(mode(info.filePath()), kReadOnlyForAll);

        const QList<DumpCreator::Record> records = readRecords(path);
        QVERIFY(records.size() >= 6);
        QVERIFY2(records.first().time >= 0 && records.first().time < 50,
                 qPrintable(QString::number(records.first().time)));
        for (int i = 0; i < records.size(); ++i) {
            QCOMPARE(std::memcmp(records[i].values, fx.block, sizeof fx.block), 0);
            if (i > 0) {
                const qint32 step = records[i].time - records[i - 1].time;
                QVERIFY2(step >= 49 && step < 1000, qPrintable(QString::number(step)));
            }
        }
    }

    void missingFolderGivesNoFile()
    {
        Fixture fx(QStringLiteral("missing-parent"));
        QDir(fx.folder).removeRecursively();
        DumpCreator dump(fx.block);
        dump.setDumpPath(fx.folder + QStringLiteral("/dump"));
        dump.startDump();
        QVERIFY(dump.wait(5000));
        QVERIFY(!QFileInfo::exists(fx.folder));
    }

    // A stop before the thread opened its file is kept; a stop right after the start ends the
    // thread with whole records only.
    void earlyStopEndsTheThread()
    {
        Fixture fx(QStringLiteral("early"));
        {
            DumpCreator dump(fx.block);
            dump.setDumpPath(fx.folder);
            dump.stopDump();
            dump.startDump();
            QVERIFY(dump.wait(5000));
            QVERIFY(fx.files().isEmpty());
        }
        DumpCreator dump(fx.block);
        dump.setDumpPath(fx.folder);
        dump.startDump();
        dump.stopDump();
        QVERIFY(dump.wait(5000));
        for (const QString& name : fx.files()) {
            const QFileInfo info(QDir(fx.folder).absoluteFilePath(name));
            QCOMPARE(info.size() % 44, qint64(0));
            QCOMPARE(mode(info.filePath()), kReadOnlyForAll);
        }
    }

    void destroyingStopsAndWaits()
    {
        Fixture fx(QStringLiteral("destroyed"));
        auto* dump = new DumpCreator(fx.block);
        dump->setDumpPath(fx.folder);
        dump->startDump();
        QVERIFY(QTest::qWaitFor([&] { return fx.files().size() == 1; }, 5000));
        const QString path = QDir(fx.folder).absoluteFilePath(fx.files().first());
        QVERIFY(waitForSize(path, 44));
        delete dump;
        QCOMPARE(QFileInfo(path).size() % 44, qint64(0));
        QCOMPARE(mode(path), kReadOnlyForAll);
    }

    // Dumps of one second never overwrite each other.
    void sameSecondGetsAFreeName()
    {
        Fixture fx(QStringLiteral("same-second"));
        const QDateTime now = QDateTime::currentDateTime();
        QStringList earlier;
        for (int s = 0; s < 3; ++s) {
            const QString name =
                now.addSecs(s).toString(QStringLiteral("dd.MM.yyyy_hh.mm.ss")) + ".dump";
            QFile file(QDir(fx.folder).absoluteFilePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("earlier");
            earlier << name;
        }
        DumpCreator dump(fx.block);
        dump.setDumpPath(fx.folder);
        dump.startDump();
        QVERIFY(QTest::qWaitFor([&] { return fx.files().size() == 4; }, 5000));
        dump.stopDump();
        QVERIFY(dump.wait(5000));

        for (const QString& name : earlier) {
            QFile file(QDir(fx.folder).absoluteFilePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("earlier"));
        }
        QStringList added = fx.files();
        for (const QString& name : earlier)
            added.removeOne(name);
        QCOMPARE(added.size(), 1);
        QVERIFY2(added.first().endsWith(QLatin1String("_1.dump")), qPrintable(added.first()));
        QVERIFY(earlier.contains(added.first().replace(QLatin1String("_1.dump"),
                                                       QLatin1String(".dump"))));
    }

    // A full disk (here: a file size limit in the middle of the fourth record) ends the dump
    // with the three whole records and a read-only file.
    void shortWriteStopsCleanly()
    {
        Fixture fx(QStringLiteral("full"));
        DumpCreator dump(fx.block);
        dump.setDumpPath(fx.folder);

        struct rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = saved;
        limited.rlim_cur = 3 * 44 + 20;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        dump.startDump();
        const bool ended = dump.wait(10000);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(ended);

        QCOMPARE(fx.files().size(), 1);
        const QString path = QDir(fx.folder).absoluteFilePath(fx.files().first());
        QCOMPARE(QFileInfo(path).size(), qint64(3 * 44));
        QCOMPARE(mode(path), kReadOnlyForAll);
        const QList<DumpCreator::Record> records = readRecords(path);
        QCOMPARE(records.size(), 3);
        QCOMPARE(std::memcmp(records.last().values, fx.block, sizeof fx.block), 0);
    }
};

POKAVRO_TEST_MAIN(TestDumpCreator)
#include "tst_dumpcreator.moc"
