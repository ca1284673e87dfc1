#include <QApplication>
#include <QDir>
#include <QtTest>

#include "comm.h"
#include "drivecomm.h"
#include "drivestatus.h"
#include "fixedpaths.h"
#include "loopbackpeer.h"
#include "operatorlog.h"
#include "outsidetext.h"
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

    // A text from outside is one line whatever it holds, and a controller's text is cut to a sane
    // length, never inside a character.
    void outsideText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("logged");
        const QString mark = QStringLiteral("… (обрезано, всего символов: %1)");
        QTest::newRow("plain") << QStringLiteral("Насос NL1 включен") << QStringLiteral("Насос NL1 включен");
        QTest::newRow("forged line")
            << QStringLiteral("Ошибка насоса\n[10:00:00] [I]Нажата кнопка 'Выход из программы'")
            << QStringLiteral("Ошибка насоса [10:00:00] [I]Нажата кнопка 'Выход из программы'");
        QTest::newRow("controls") << QStringLiteral("a\r\tb\x1b[2K\u0085c\u2028d\u2029e\x7f")
                                  << QStringLiteral("a  b [2K c d e ");
        QTest::newRow("nul inside") << QString::fromUtf16(u"x\0y", 3) << QStringLiteral("x y");
        QTest::newRow("at the bound") << QString(OutsideText::kMaxLength, QLatin1Char('x'))
                                      << QString(OutsideText::kMaxLength, QLatin1Char('x'));
        QTest::newRow("one over") << QString(OutsideText::kMaxLength + 1, QLatin1Char('x'))
                                  << QString(OutsideText::kMaxLength, QLatin1Char('x')) + mark.arg(513);
        QTest::newRow("frame-long, lines in it")
            << QStringLiteral("строка\n").repeated(8000)
            << QStringLiteral("строка ").repeated(74).left(OutsideText::kMaxLength) + mark.arg(56000);
        // A character outside the basic plane that would straddle the bound is left out whole.
        const QString clef = QStringLiteral("\U0001D11E");
        QTest::newRow("pair at the bound") << QString(OutsideText::kMaxLength - 1, QLatin1Char('x')) + clef
                                           << QString(OutsideText::kMaxLength - 1, QLatin1Char('x')) + mark.arg(513);
    }
    void outsideText()
    {
        QFETCH(QString, text);
        QFETCH(QString, logged);
        QCOMPARE(OutsideText::controllerText(text), logged);
        if (text.size() <= OutsideText::kMaxLength)
            QCOMPARE(OutsideText::singleLine(text), logged);
    }

    // A peer's texts are logged at a bounded rate: a burst passes, then a text per share of a
    // second; what is held back is counted before the next text that passes, or at the end.
    void textGate()
    {
        TextGate gate;
        qint64 now = 1000;
        QStringList lines;
        for (int i = 0; i < TextGate::kBurst + 30; ++i)
            lines += gate.pass(QStringLiteral("t%1").arg(i), now);
        QCOMPARE(lines.size(), TextGate::kBurst);
        QCOMPARE(lines.last(), QStringLiteral("t%1").arg(TextGate::kBurst - 1));

        now += TextGate::kPeriodMs - 1;
        QVERIFY(gate.pass(QStringLiteral("early"), now).isEmpty());
        now += 1;
        QCOMPARE(gate.pass(QStringLiteral("next\nline"), now),
                 (QStringList{TextGate::heldBackNote(31), QStringLiteral("next line")}));
        QVERIFY(gate.pass(QStringLiteral("held"), now).isEmpty());
        QCOMPARE(gate.flush(), TextGate::heldBackNote(1));
        QCOMPARE(gate.flush(), QString());

        // A quiet spell gives back the whole burst, and no more.
        now += 3600 * 1000;
        int passed = 0;
        for (int i = 0; i < TextGate::kBurst * 2; ++i)
            passed += gate.pass(QStringLiteral("x"), now).size();
        QCOMPARE(passed, TextGate::kBurst);
    }

    // The note of the texts held back is due once, as soon as a text could pass again, and a
    // text that passes after it has no note in front. A burst comes at 0 ms; due() is asked at the
    // given times; notes are "ms:count".
    void heldBackNoteWhenTheGateOpens_data()
    {
        QTest::addColumn<int>("burst");
        QTest::addColumn<QList<int>>("askedAt");
        QTest::addColumn<QString>("notes");
        QTest::newRow("nothing held back") << TextGate::kBurst << QList<int>{0, 500, 10000} << "";
        QTest::newRow("one held back") << TextGate::kBurst + 1 << QList<int>{0, 499, 500, 501, 5000} << "500:1";
        QTest::newRow("many held back") << 500 << QList<int>{100, 250, 700, 1500} << "700:480";
        QTest::newRow("asked late") << TextGate::kBurst + 10 << QList<int>{60000, 60001} << "60000:10";
    }
    void heldBackNoteWhenTheGateOpens()
    {
        QFETCH(int, burst);
        QFETCH(QList<int>, askedAt);
        QFETCH(QString, notes);
        TextGate gate;
        int passed = 0;
        for (int i = 0; i < burst; ++i)
            passed += gate.pass(QStringLiteral("t%1").arg(i), 0).size();
        QCOMPARE(passed, std::min(burst, int(TextGate::kBurst)));
        QStringList given;
        for (const int ms : askedAt) {
            const QString note = gate.due(ms);
            if (!note.isEmpty()) {
                QCOMPARE(note, TextGate::heldBackNote(burst - passed));
                given << QStringLiteral("%1:%2").arg(ms).arg(burst - passed);
            }
        }
        QCOMPARE(given.join(QLatin1Char(' ')), notes);
        QCOMPARE(gate.pass(QStringLiteral("after"), askedAt.last()), QStringList{QStringLiteral("after")});
        QCOMPARE(gate.flush(), QString());
    }

    // A controller's burst of texts on a link that stays up: the note of those held back comes
    // by itself once the gate opens again, without a further text and before the link ends, and
    // only once.
    void heldBackNoteFromALink()
    {
        LoopbackPeer peer;
        DriveTCPthread link;
        QStringList lines;
        connect(&link, &DriveTCPthread::message, this, [&](const QString& line) { lines << line.mid(11); });
        QVERIFY(peer.listen());
        QVERIFY(link.connect(QStringLiteral("127.0.0.1"), peer.tcpPort, peer.udpPort));
        QVERIFY(peer.accept());
        QTimer stream;
        connect(&stream, &QTimer::timeout, this, [&] { peer.datagram(DriveStatus::encode(DriveStatus::blank())); });
        stream.start(50);

        const int burst = TextGate::kBurst + 10;
        QByteArray frames;
        QStringList texts;
        for (int i = 0; i < burst; ++i) {
            texts << QStringLiteral("Поток %1").arg(i);
            frames += LinkFrame::encode(LinkFrame::PV, texts.last().toUtf8());
        }
        peer.write(frames);
        const QString note = TextGate::heldBackNote(burst - TextGate::kBurst);
        QVERIFY(QTest::qWaitFor([&] { return lines.contains(note); }, 5000));
        QTest::qWait(3 * TextGate::kPeriodMs);
        QCOMPARE(lines, texts.mid(0, TextGate::kBurst) << note);
        QVERIFY(link.connected());
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
