#include <QApplication>
#include <QDir>
#include <QtTest>

#include "fixedpaths.h"
#include "operatorlog.h"
#include "testenv.h"

class TestOperatorLog : public QObject
{
    Q_OBJECT

    static QString readAll(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("<unreadable>");
        return QString::fromUtf8(file.readAll());
    }

private slots:
    void rowBySeverity_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QColor>("colour");
        const QColor none;
        QTest::newRow("info") << "[I]Дверь закрыта" << "[14:05:31] Дверь закрыта" << int(OperatorRow::IconInfo) << QColor(0, 0, 0);
        QTest::newRow("alarm") << "[A]Авария" << "[14:05:31] Авария" << int(OperatorRow::IconError) << QColor(255, 0, 0);
        QTest::newRow("warning") << "[W]Внимание" << "[14:05:31] Внимание" << int(OperatorRow::IconWarning) << QColor(0, 0, 0);
        QTest::newRow("command") << "[C]EXEC_1" << "[14:05:31] EXEC_1" << int(OperatorRow::IconRun) << QColor(0, 0, 0);
        QTest::newRow("message") << "[M]Сообщение" << "[14:05:31] Сообщение" << int(OperatorRow::IconBasic) << QColor(0, 0, 255);
        QTest::newRow("prefix only") << "[I]" << "[14:05:31] " << int(OperatorRow::IconInfo) << QColor(0, 0, 0);
        QTest::newRow("lower case") << "[i]Дверь" << "[14:05:31] [i]Дверь" << int(OperatorRow::NoIcon) << none;
        QTest::newRow("unknown") << "[X]Текст" << "[14:05:31] [X]Текст" << int(OperatorRow::NoIcon) << none;
        QTest::newRow("short") << "[I" << "[14:05:31] [I" << int(OperatorRow::NoIcon) << none;
        QTest::newRow("empty") << "" << "[14:05:31] " << int(OperatorRow::NoIcon) << none;
    }
    void rowBySeverity()
    {
        QFETCH(QString, message);
        QFETCH(QString, text);
        QFETCH(int, icon);
        QFETCH(QColor, colour);
        const QString stamp = OperatorLog::stamp(QTime(14, 5, 31));
        QCOMPARE(stamp, QStringLiteral("[14:05:31] "));
        const OperatorRow row = operatorRow(stamp, message);
        QCOMPARE(row.text, text);
        QCOMPARE(row.icon, icon);
        QCOMPARE(row.colour, colour);
    }

    void fileInDayFolder()
    {
        TestEnv::makeInstallationFolders();
        const QDateTime start(QDate(2024, 3, 7), QTime(9, 4, 5));
        const QString path = OperatorLog::pathFor(start);
        QCOMPARE(path, TestEnv::root() + QStringLiteral("/log/2024_03_07/polog_09_04_05.log"));
        QVERIFY(!QDir(FixedPaths::logDir() + QStringLiteral("2024_03_07")).exists());
        {
            OperatorLog log;
            QVERIFY(log.open(start));
            QCOMPARE(log.fileName(), path);
            log.write(QStringLiteral("[09:04:05] "), QStringLiteral("[I]Дверь закрыта"));
            // Each line reaches the file at once, while the log is still open.
            QCOMPARE(readAll(path), QStringLiteral("[09:04:05] [I]Дверь закрыта\n"));
            log.write(QStringLiteral("[09:04:06] "), QString());
        }
        QCOMPARE(readAll(path), QStringLiteral("[09:04:05] [I]Дверь закрыта\n[09:04:06] \n"));

        // A restart within the same second keeps the earlier run's lines.
        OperatorLog again;
        QVERIFY(again.open(start));
        again.write(QStringLiteral("[09:04:07] "), QStringLiteral("[W]x"));
        again.close();
        QCOMPARE(readAll(path), QStringLiteral("[09:04:05] [I]Дверь закрыта\n[09:04:06] \n[09:04:07] [W]x\n"));

        // A second start later that day writes its own file beside the first.
        OperatorLog later;
        QVERIFY(later.open(QDateTime(QDate(2024, 3, 7), QTime(17, 0, 0))));
        QCOMPARE(QDir(FixedPaths::logDir() + QStringLiteral("2024_03_07")).entryList(QDir::Files).size(), 2);
    }

    // A missing log folder is made with the day's folder; where none can be made (a file stands
    // in its place) nothing is written, and nothing breaks.
    void missingLogFolder()
    {
        QDir(FixedPaths::logDir()).removeRecursively();
        OperatorLog log;
        QVERIFY(log.open(QDateTime(QDate(2024, 3, 8), QTime(1, 2, 3))));
        log.write(QStringLiteral("[01:02:03] "), QStringLiteral("[I]kept"));
        log.close();
        QCOMPARE(readAll(log.fileName()), QStringLiteral("[01:02:03] [I]kept\n"));

        QVERIFY(QDir(FixedPaths::logDir()).removeRecursively());
        QFile blocker(FixedPaths::logDir().chopped(1));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!log.open(QDateTime(QDate(2024, 3, 8), QTime(1, 2, 3))));
        QVERIFY(!log.isOpen());
        log.write(QStringLiteral("[01:02:03] "), QStringLiteral("[I]lost"));  // no crash, nothing written
        QVERIFY(blocker.remove());
        TestEnv::makeInstallationFolders();
    }
};

POKAVRO_TEST_MAIN(TestOperatorLog)
#include "tst_operatorlog.moc"
