// The weld passport: its header and rows as Windows-1251 bytes under a fixed clock and a Russian
// locale, the path along the seam and the technology row it follows, the file names, and the
// passports the editor writes for a manual channel 1 run and for a full start against the
// simulated drive controller.

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTextCodec>
#include <QtTest>

#include <limits>

#include <cstring>
#include <memory>

#include "contour.h"
#include "contoursamples.h"
#include "elasharedmemory.h"
#include "editorconsole.h"
#include "fixedpaths.h"
#include "fulldisk.h"
#include "gui.h"
#include "modaldriver.h"
#include "operatorlines.h"
#include "sharedsegment.h"
#include "tabletexts.h"
#include "testenv.h"
#include "weldpassport.h"

using ContourSamples::comment;
using ContourSamples::point;

using namespace TableTexts;

namespace {

const QLocale kRussian(QLocale::Russian, QLocale::Russia);
const QDateTime kStart(QDate(2026, 3, 5), QTime(14, 7, 9));
const QStringList kAxes{"LX", "LY", "A", "B", "C", "D", "U1", "V"};
// The group separator of the Russian locale: a no-break space, 0xA0 in Windows-1251.
const QString kGroup = QStringLiteral("\u00A0");

QByteArray cp1251(const QString& text)
{
    return QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
}

QString fromCp1251(const QByteArray& bytes)
{
    return QTextCodec::codecForName("Windows-1251")->toUnicode(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

QStringList passports()
{
    return QDir(FixedPaths::passportDir()).entryList(QDir::Files, QDir::Name);
}

// A little-endian 32-bit field of the beam unit's block.
void putUInt(QByteArray& block, int offset, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        block[offset + i] = char((value >> (8 * i)) & 0xFF);
}

void putFloat(QByteArray& block, int offset, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    putUInt(block, offset, bits);
}

// A seam of 100 mm at 600 mm/min with the given rows between the start and the end row.
QList<TechRow> rows(const QList<TechRow>& inner)
{
    return QList<TechRow>{point(0, 0, 600)} + inner + QList<TechRow>{point(100, 0, 600)};
}

}  // namespace

class TestWeldPassport : public QObject
{
    Q_OBJECT

    std::unique_ptr<EditorConsole> m_console;

private slots:
    void init()
    {
        TestEnv::makeInstallationFolders();
        QDir(FixedPaths::passportDir()).removeRecursively();
    }

    void cleanup()
    {
        m_console.reset();
        QLocale::setDefault(QLocale::system());
    }

    // A manual run: "_temp", the date, the welder, the start, the channel 1 program (a quote in
    // it doubled) and the columns; the rows count tenths of a second and leave out what the controller did not report.
    void manualHeaderAndRows()
    {
        WeldPassport::Header h;
        h.start = kStart;
        h.welder = QStringLiteral("Иванов Оператор");
        h.channel1 = QStringLiteral("N1 $1\n\nN2 G4 F1 ; \"пауза\"");
        h.channel3 = QStringLiteral("ignored in a manual run");
        h.axes = kAxes;
        const QByteArray header = WeldPassport::header(h, kRussian);
        QCOMPARE(header, cp1251("\"_temp\"\n"
                                "\"Дата: 05-03-2026\"\n"
                                "\"Сварщик: Иванов Оператор\"\n"
                                "\"Время запуска: 14:07:09\"\n"
                                "\n"
                                "\"ПРОГРАММА ПЕРЕМЕЩЕНИЯ (канал 1)\"\n"
                                "\"N1 $1\";\n"
                                "\"\";\n"
                                "\"N2 G4 F1 ; \"\"пауза\"\"\";\n"
                                "\n"
                                "\"Время\";\"Путь\";\"LX\";\"LY\";\"A\";\"B\";\"C\";\"D\";\"U1\";\"V\";\n"));
        QVERIFY(header.startsWith("\"_temp\"\n\"\xC4\xE0\xF2\xE0: "));  // "Дата" in Windows-1251

        WeldPassport::Row r;
        r.axes = 8;
        r.coords = {1234.5f, -3, 0.25f, 0, 0, 0, 0, 359.99f};
        QCOMPARE(WeldPassport::row(r, kRussian),
                 cp1251("0,0;0,00;1" + kGroup + "234,50;-3,00;0,25;0,00;0,00;0,00;0,00;359,99;\n"));
        QVERIFY(WeldPassport::row(r, kRussian).contains("1\xA0" "234,50"));
        r.tick = 36012;  // an hour and a bit: the tenth stays exact
        r.path = 60;
        r.coords.clear();
        QCOMPARE(WeldPassport::row(r, kRussian), cp1251("3" + kGroup + "601,2;60,00;;;;;;;;;\n"));
    }

    // A full run: the seam, its speed, the contour and technology lines, the programs (channel 2
    // only when there is one) and the thirty-two columns.
    void fullHeader()
    {
        WeldPassport::Header h;
        h.full = true;
        h.program = QStringLiteral("Фланец");
        h.start = kStart;
        h.welder = QStringLiteral("Петров Наладчик");
        h.ring = true;
        h.passLength = 1234.5f;
        h.passes = 3;
        h.weldSpeed = 412.5f;
        h.contour << WeldPassport::contourLine({"10.00", "20.00", "5.00", "Прямая"})
                  << WeldPassport::contourLine({"30.00", "20.00", "5.00", "Конец"});
        const RasterParams spiral{15, 2.25f, 0.5f, 45, 500, -1.5f, 0.75f, 3.75f, 1};
        h.technology << WeldPassport::pointLine("0.00", "0.0", "700", "412.5", TechRow::SweepNone, {})
                     << WeldPassport::commentLine(QStringLiteral("Шов \"А\""))
                     << WeldPassport::pointLine("10.00", "40.0", "700", "300.0", TechRow::SweepSet, spiral)
                     << WeldPassport::pointLine("20.00", "40.0", "700", "300.0", TechRow::SweepOff, spiral);
        h.channel1 = QStringLiteral("N1 $1\nN2 M30");
        h.channel3 = QStringLiteral("N1 $3");
        h.axes = kAxes;
        QCOMPARE(fromCp1251(WeldPassport::header(h, kRussian)),
                 QStringLiteral("\"Фланец\"\n"
                                "\"Дата: 05-03-2026\"\n"
                                "\"Сварщик: Петров Наладчик\"\n"
                                "\"Время запуска: 14:07:09\"\n"
                                "\"Длина прохода: 1") + kGroup + QStringLiteral("234,50 мм\"\n"
                                "\"Число проходов: 3\"\n"
                                "\"Скорость: 412,5 мм/мин\"\n"
                                "\n"
                                "\"Контур:\"\n"
                                "\"10.00 20.00 5.00 Прямая \"\n"
                                "\"30.00 20.00 5.00 Конец \"\n"
                                "\"Технология:\"\n"
                                "\"+ 0.00 0.0 700 412.5 2 \";\n"
                                "\"- Шов \"\"А\"\"\";\n"
                                "\"+ 10.00 40.0 700 300.0 1 15 2.25 0.5 45 500 -1.5 0.75 3 1 \";\n"
                                "\"+ 20.00 40.0 700 300.0 0 \";\n"
                                "\n"
                                "\"ПРОГРАММА ПЕРЕМЕЩЕНИЯ (канал 1)\"\n"
                                "\"N1 $1\";\n"
                                "\"N2 M30\";\n"
                                "\n"
                                "\"ПРОГРАММА СВАРКИ (канал 3)\"\n"
                                "\"N1 $3\";\n"
                                "\n"
                                "\"Время\";\"Путь\";\"LX\";\"LY\";\"A\";\"B\";\"C\";\"D\";\"U1\";\"V\";"
                                "\"Уст. I луча\";\"I луча\";\"Уст. I фок.\";\"I фок.\";\"I откл.X\";\"I откл.Y\";"
                                "\"Ub бомб.\";\"Ib бомб.\";\"U уск.\";\"U зап.\";\"Тип ТР\";\"Ампл.X\";\"Ампл.Y\";"
                                "\"Угол\";\"Час-та\";\"Смещ.X\";\"Смещ.Y\";\"Д.пар.\";\"По ч.с.\";\"ТР\";"
                                "\"P пушк.\";\"P кам.\";\n"));

        // An open seam gives its length alone; a rotator program gets its own section.
        h.ring = false;
        h.channel2 = QStringLiteral("N1 $2");
        const QString open = fromCp1251(WeldPassport::header(h, kRussian));
        QVERIFY(open.contains(QStringLiteral("\"Длина шва: 1") + kGroup + QStringLiteral("234,50 мм\"\n\"Скорость:")));
        QVERIFY(!open.contains(QStringLiteral("Число проходов")));
        QVERIFY(open.contains(QStringLiteral("\"ПРОГРАММА ВРАЩЕНИЯ ДЕТАЛИ (канал 2)\"\n\"N1 $2\";\n\n\"ПРОГРАММА СВАРКИ")));
    }

    // A full row: the beam unit's values from their offsets, each with its decimals, the gun
    // pressure and the chamber pressure in exponent form; a chamber pressure not reported is empty.
    void fullRow()
    {
        QByteArray ela(512, '\0');
        const struct {
            int offset;
            float value;
        } floats[] = {{268, 120.04f}, {236, 119.96f}, {132, 701.4f}, {128, 699.6f}, {144, -12.4f}, {152, 3.5f},
                      {220, 1500.26f}, {224, 12.05f}, {212, 60000}, {216, -1200.5f}, {368, 1.005f},
                      {372, 2.5f}, {384, 45.4f}, {396, 1000}, {388, -0.5f}, {392, 0.25f}, {376, 3.126f},
                      {52, 0.000153f}};
        for (const auto& f : floats)
            putFloat(ela, f.offset, f.value);
        putUInt(ela, 364, 15);
        putUInt(ela, 380, 1);
        putUInt(ela, 320, 1);

        WeldPassport::Row r;
        r.tick = 7;
        r.path = 12.345f;
        r.axes = 2;
        r.coords = {1, 2};
        r.full = true;
        r.ela = ela;
        r.elaAlive = true;
        r.pressureKnown = true;
        r.pressure = 0.0015f;
        const QString beam = QStringLiteral("120,0;120,0;701;700;-12;4;1") + kGroup + QStringLiteral("500,3;12,1;60") +
                             kGroup + QStringLiteral("000,0;-1") + kGroup +
                             QStringLiteral("200,5;15;1,00;2,50;45;1") + kGroup +
                             QStringLiteral("000;-0,50;0,25;3,13;1;1;1,5E-04;");
        QCOMPARE(fromCp1251(WeldPassport::row(r, kRussian)),
                 QStringLiteral("0,7;12,35;1,00;2,00;") + beam + QStringLiteral("1,5E-03;\n"));
        r.pressureKnown = false;
        QVERIFY(fromCp1251(WeldPassport::row(r, kRussian)).endsWith(QStringLiteral("1,5E-04;;\n")));
        r.pressureKnown = true;
        for (float unknown : {std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity()}) {
            r.pressure = unknown;
            QVERIFY(fromCp1251(WeldPassport::row(r, kRussian)).endsWith(QStringLiteral("1,5E-04;;\n")));
        }
        // A beam unit that does not run measures nothing: its 21 columns, the gun pressure
        // included, are empty, whatever its block holds.
        r.elaAlive = false;
        r.pressure = 0.0015f;
        QCOMPARE(fromCp1251(WeldPassport::row(r, kRussian)),
                 QStringLiteral("0,7;12,35;1,00;2,00;") + QString(21, QLatin1Char(';')) + QStringLiteral("1,5E-03;\n"));
        // A block the beam unit's program did not let be read gives empty beam cells, not zeros.
        r.elaAlive = true;
        r.ela.clear();
        QCOMPARE(fromCp1251(WeldPassport::row(r, kRussian)),
                 QStringLiteral("0,7;12,35;1,00;2,00;") + QString(21, QLatin1Char(';')) + QStringLiteral("1,5E-03;\n"));
    }

    // A value that is not finite (not a number, infinite) is no measurement, also while the beam
    // unit runs: its cell is left empty, whichever form the column has, and so is a coordinate's.
    void nonFiniteValuesLeftEmpty()
    {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        QByteArray ela(512, '\0');
        putFloat(ela, 236, nan);   // "I луча", one decimal
        putFloat(ela, 128, inf);   // "I фок.", no decimals
        putFloat(ela, 368, -inf);  // "Ампл.X", two decimals
        putFloat(ela, 52, nan);    // "P пушк.", exponent form

        WeldPassport::Row r;
        r.tick = 7;
        r.path = 12.345f;
        r.axes = 2;
        r.coords = {nan, 2};
        r.full = true;
        r.ela = ela;
        r.elaAlive = true;
        r.pressureKnown = true;
        r.pressure = 0.0015f;
        QCOMPARE(fromCp1251(WeldPassport::row(r, kRussian)),
                 QStringLiteral("0,7;12,35;;2,00;"
                                "0,0;;0;;0;0;0,0;0,0;0,0;0,0;0;;0,00;0;0;0,00;0,00;0,00;0;0;;"
                                "1,5E-03;\n"));
    }

    // The path: moving 6 s at 600 mm/min reaches 60 mm; standing repeats it; it never passes the
    // seam; a slower row takes over from where the weld is, and the rows that are comments or
    // switched off are passed over.
    void pathAndTracking()
    {
        WeldPassport::Progress p = WeldPassport::begin(600);
        float path = 0;
        for (int tick = 0; tick <= 60; ++tick)
            path = WeldPassport::advance(p, true, 1000);
        QCOMPARE(path, 60.0f);
        QCOMPARE(WeldPassport::advance(p, false, 1000), 60.0f);
        for (int tick = 0; tick < 100; ++tick)
            path = WeldPassport::advance(p, true, 70);
        QCOMPARE(path, 70.0f);

        TechRow off = point(20, 0, 60);
        off.on = false;
        const QList<TechRow> table = rows({comment(QStringLiteral("Сварка")), off, point(50, 80, 300)});
        p = WeldPassport::begin(600);
        QList<int> tracked;
        QList<float> paths;
        for (int tick = 0; tick < 80; ++tick) {
            paths << WeldPassport::advance(p, true, 1000);
            if (WeldPassport::track(p, table, true))
                tracked << tick;
            QVERIFY(!WeldPassport::track(p, table, false));
        }
        // 50 mm at 600 mm/min: the row at 50 mm (row 3) takes over after the row of 4.9 s, then
        // 300 mm/min.
        QCOMPARE(tracked, QList<int>{49});
        QCOMPARE(p.row, 3);
        QCOMPARE(p.speed, 300.0f);
        QCOMPARE(paths.at(50), 50.0f);
        QCOMPARE(paths.at(52), 51.0f);  // on from 50 mm, not back to 0.5 s × 300 mm/min
        // At the end row nothing more is tracked.
        p.row = table.size() - 1;
        QVERIFY(!WeldPassport::track(p, table, true));
    }

    // Two passports in the same second: the second gets "_2" and the first keeps its bytes.
    void sameSecond()
    {
        QCOMPARE(WeldPassport::fileName(kStart, QStringLiteral("weld1")), QStringLiteral("2026-03-05-14-07-09-weld1.csv"));
        QFile first;
        QVERIFY(WeldPassport::create(first, FixedPaths::passportDir(), kStart, QStringLiteral("weld1")));
        first.write("first");
        first.close();
        QFile second;
        QVERIFY(WeldPassport::create(second, FixedPaths::passportDir(), kStart, QStringLiteral("weld1")));
        second.close();
        QCOMPARE(passports(), (QStringList{"2026-03-05-14-07-09-weld1.csv", "2026-03-05-14-07-09-weld1_2.csv"}));
        QCOMPARE(readFile(first.fileName()), QByteArray("first"));

        QFile blocked;
        QFile wall(FixedPaths::passportDir() + QStringLiteral("wall"));
        QVERIFY(wall.open(QIODevice::WriteOnly));
        wall.close();
        QVERIFY(!WeldPassport::create(blocked, wall.fileName() + QStringLiteral("/"), kStart, QString()));
    }

    // A passport the disk does not take whole: the first piece missing is told at once, naming
    // the file; the passport goes on with the run, and its end says how many rows are missing. The
    // file holds whole lines only, also where the disk took part of a row.
    void passportOnAFullDisk_data()
    {
        FullDisk::addColumn();
        QTest::addColumn<int>("room");  // bytes left for the rows once two are written; -1: none from the start
        QTest::newRow("file size limit") << int(FullDisk::FileSizeLimit) << -1;
        QTest::newRow("full tmpfs") << int(FullDisk::Tmpfs) << -1;
        QTest::newRow("room for part of a row") << int(FullDisk::FileSizeLimit) << 7;
    }
    void passportOnAFullDisk()
    {
        QFETCH(int, disk);
        QFETCH(int, room);
        FullDisk full(FullDisk::Kind(disk), FixedPaths::passportDir());
        if (!full.unavailable().isEmpty())
            QSKIP(qPrintable(full.unavailable()));
        CONTOUR c;
        QStringList told;
        QObject::connect(&c, &CONTOUR::message, [&told](const QString& text, bool shown) {
            if (shown)
                told << text;
        });
        c.setPassportClock([] { return kStart; });
        c.teGcode->setPlainText(QStringLiteral("N1 $1"));
        c.onChannel1State(3);
        const QRegularExpression row(QStringLiteral("^\\d+[.,]\\d;\\d+[.,]\\d\\d;;{8}$"));
        const auto fileLines = [&c] {
            QStringList lines = fromCp1251(readFile(c.passportFile())).split(QLatin1Char('\n'));
            lines.removeLast();  // after the last line end
            return lines;
        };
        const auto rowCount = [&] { return fileLines().filter(row).size(); };

        if (room < 0)
            full.fill();
        c.startPassport();
        QVERIFY(c.passportOpen());
        if (room >= 0) {
            QVERIFY(QTest::qWaitFor([&] { return rowCount() >= 2; }, 3000));
            full.limitFileSize(QFileInfo(c.passportFile()).size() + room);
        }
        const QString shown = QStringLiteral("/home/oper/bin/passports/") + QFileInfo(c.passportFile()).fileName();
        const QString incomplete = QStringLiteral("[A]Паспорт сварки неполный: не удалось записать файл ") + shown;
        QVERIFY(QTest::qWaitFor([&] { return told.contains(incomplete); }, 3000));
        QTest::qWait(300);
        QVERIFY(c.passportOpen());
        full.free();
        const int before = rowCount();
        QVERIFY(QTest::qWaitFor([&] { return rowCount() >= before + 3; }, 3000));
        c.onChannel1State(0);
        QVERIFY(QTest::qWaitFor([&] { return !c.passportOpen(); }, 3000));

        const QStringList lines = fileLines();
        const int headerLines = room < 0 ? 0 : 9;
        QCOMPARE(lines.mid(0, headerLines).filter(row).size(), 0);
        QCOMPARE(lines.mid(headerLines).filter(row), lines.mid(headerLines));
        QCOMPARE(told.count(incomplete), 1);
        const QRegularExpressionMatch end =
            QRegularExpression(QStringLiteral("^\\[A\\]Паспорт сварки (.*) неполный: не записано строк (\\d+) из (\\d+)(.*)$"))
                .match(told.last());
        QVERIFY2(end.hasMatch(), qPrintable(told.join(QLatin1Char('\n'))));
        QCOMPARE(end.captured(1), shown);
        QVERIFY(end.captured(2).toInt() >= 1);
        QCOMPARE(end.captured(3).toInt() - end.captured(2).toInt(), lines.size() - headerLines);
        QCOMPARE(end.captured(4), room < 0 ? QStringLiteral(", заголовок не записан") : QString());
    }

    // The editor going while its passport is still written (the console's exit during a run)
    // ends the passport, saying what of it is missing.
    void passportEndedByTheExit()
    {
        FullDisk full(FullDisk::FileSizeLimit, FixedPaths::passportDir());
        QStringList told;
        QString file;
        {
            CONTOUR c;
            QObject::connect(&c, &CONTOUR::message, [&told](const QString& text, bool) { told << text; });
            c.onChannel1State(3);
            full.fill();
            c.startPassport();
            full.free();
            QVERIFY(c.passportOpen());
            file = QFileInfo(c.passportFile()).fileName();
        }
        QCOMPARE(told.value(told.size() - 1), QStringLiteral("[A]Паспорт сварки /home/oper/bin/passports/") + file +
                                                  QStringLiteral(" неполный: не записано строк 1 из 1, заголовок не записан"));
    }

    // "ПУСК канал 1": the manual passport of the run, named by the program, with the page's
    // program and a row every 100 ms; it ends once channel 1 has run and stopped.
    void manualRun()
    {
        QLocale::setDefault(kRussian);
        m_console = std::make_unique<EditorConsole>();
        QVERIFY(m_console->start());
        CONTOUR* c = m_console->contour();
        QVERIFY(m_console->load(ContourSamples::linear()));
        m_console->gui()->setProgramName(QStringLiteral("weld1"), false);
        c->setPassportClock([] { return kStart; });
        QVERIFY(m_console->placeAxes(12.5f, -3, 0));
        c->teGcode->setPlainText(QStringLiteral("N1 $1"));

        c->pbRun->click();
        QVERIFY(c->passportOpen());
        QCOMPARE(passports(), QStringList{"2026-03-05-14-07-09-weld1.csv"});
        QVERIFY(QTest::qWaitFor([c] { return !c->passportOpen(); }, 5000));
        const QString text = fromCp1251(readFile(c->passportFile()));
        const QString welder = m_console->gui()->getUserName();
        QVERIFY2(text.startsWith(QStringLiteral("\"_temp\"\n\"Дата: 05-03-2026\"\n\"Сварщик: ") + welder +
                                 QStringLiteral("\"\n\"Время запуска: 14:07:09\"\n\n"
                                                "\"ПРОГРАММА ПЕРЕМЕЩЕНИЯ (канал 1)\"\n\"N1 $1\";\n\n"
                                                "\"Время\";\"Путь\";\"LX\";\"LY\";\"A\";\"B\";\"C\";\"D\";\"U1\";\"V\";\n"
                                                "0,0;0,00;12,50;-3,00;")),
                 qPrintable(text));
        // Loaded for 0.3 s, run for 0.3 s: the passport outlasts the run, not by seconds.
        const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const int rowCount = lines.size() - 7;
        QVERIFY2(rowCount >= 6 && rowCount <= 15, qPrintable(QString::number(rowCount)));
        QVERIFY(lines.at(8).startsWith(QStringLiteral("0,1;")));
        QCOMPARE(c->twTechTab->currentRow(), c->twTechTab->rowCount() - 1);
    }

    // A run that never starts (the drives went off before the command arrived, and the
    // controller refused it) is not followed for ever; a run refused before it was sent starts no
    // passport.
    void runThatNeverRuns()
    {
        m_console = std::make_unique<EditorConsole>();
        QVERIFY(m_console->start());
        CONTOUR* c = m_console->contour();
        c->pbRun->click();
        // The simulator reads the command once the event loop runs: the drives are off by then.
        m_console->sim()->apply(QStringLiteral("DRIVE OFF"));
        QVERIFY(c->passportOpen());
        QTest::qWait(2000);
        QVERIFY(c->passportOpen());
        QVERIFY(QTest::qWaitFor([c] { return !c->passportOpen(); }, 3000));
        const int rowCount = fromCp1251(readFile(c->passportFile())).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size() - 7;
        QCOMPARE(rowCount, 31);

        OperatorLines log(m_console->gui()->operatorLog().fileName());
        log.skip();
        m_console->stopSimulator();
        QVERIFY(QTest::qWaitFor([this] { return !m_console->gui()->cncConnected(); }, 5000));
        c->pbRun->click();
        QVERIFY(!c->passportOpen());
        QCOMPARE(passports().size(), 1);
        QVERIFY(log.fresh().contains(QStringLiteral("[A]Пуск невозможен: нет связи с ЧПУ")));
    }

    // The row a full run follows moves with the weld while the axes move. Once they stand (a
    // technological stop) the row the operator chose stays current and the commands act on it;
    // and the row of a number pad the operator opens stays current, also after the pad is closed,
    // until the weld enters another row.
    void trackingLeavesTheOperatorsRow()
    {
        m_console = std::make_unique<EditorConsole>();
        QVERIFY(m_console->start(30));
        CONTOUR* c = m_console->contour();
        ContourSnapshot s = ContourSamples::linear();
        s.points = {ContourPoint{{0, 0, 0}, {SegmentParams::Line, 0, 0, 0}}, ContourPoint{{400, 0, 0}, {}}};
        // 100 mm a second.
        s.tech = {point(0, 0, 6000), point(100, 0, 6000), comment(techStopText()), point(200, 0, 6000),
                  point(300, 0, 6000), point(400, 0, 6000)};
        QVERIFY(m_console->load(s));
        QVERIFY(m_console->pressStart());
        QVERIFY(c->passportOpen());
        // The simulated controller's fixed 30 s runs report the axes moving all along; the editor
        // hears of the stop directly (the link reports changes only).
        QVERIFY(QTest::qWaitFor([c] { return c->channelState(3) == 3 && c->axisMoving(); }, 5000));
        QVERIFY(QTest::qWaitFor([c] { return c->twTechTab->currentRow() == 1; }, 4000));
        c->onAxisMoving(false);
        c->twTechTab->setCurrentCell(4, 0);
        QTest::qWait(350);
        QCOMPARE(c->twTechTab->currentRow(), 4);
        c->pbDelTechPoint->click();
        QCOMPARE(column(c->twTechTab, 0), (QStringList{"0.00", "100.00", "Технол.останов", "200.00", "400.00"}));

        // Moving again, with a pad open on the row at 200 mm: the pad's row stays highlighted.
        c->onAxisMoving(true);
        int shown = -1;
        ModalDriver driver;
        driver.next("Numpad", [c, &shown](ModalDialog& pad) {
            QTest::qWait(350);
            shown = c->twTechTab->currentRow();
            pad.clickFrameClose();
        });
        QTest::mouseClick(c->twTechTab->viewport(), Qt::LeftButton, Qt::NoModifier,
                          c->twTechTab->visualRect(c->twTechTab->model()->index(3, 1)).center());
        QVERIFY(driver.done());
        QCOMPARE(shown, 3);
        // Closed, the pad's row stays while the weld is still in the row at 100 mm...
        QTest::qWait(350);
        QCOMPARE(c->twTechTab->currentRow(), 3);
        // ...and the highlight moves on when the weld enters the end row.
        QVERIFY(QTest::qWaitFor([c] { return c->twTechTab->currentRow() == 4; }, 5000));
    }

    // While the axes move the highlight goes to a row as the weld enters it, and only then: a row
    // the operator picks in between (a tap whose number pad is cancelled) stays the current one
    // while the weld stays in its row, and "Удалить точку" deletes that row, not the one being
    // welded.
    void operatorsPickWhileMoving()
    {
        m_console = std::make_unique<EditorConsole>();
        QVERIFY(m_console->start(30));
        CONTOUR* c = m_console->contour();
        ContourSnapshot s = ContourSamples::linear();
        s.points = {ContourPoint{{0, 0, 0}, {SegmentParams::Line, 0, 0, 0}}, ContourPoint{{500, 0, 0}, {}}};
        // 100 mm a second: ten rows of the passport in each technology row.
        s.tech = {point(0, 0, 6000),   point(100, 0, 6000), point(200, 0, 6000),
                  point(300, 0, 6000), point(400, 0, 6000), point(500, 0, 6000)};
        QVERIFY(m_console->load(s));
        QVERIFY(m_console->pressStart());
        QVERIFY(c->passportOpen());
        QVERIFY(QTest::qWaitFor([c] { return c->channelState(3) == 3 && c->axisMoving(); }, 5000));
        // The weld has just entered the row at 100 mm.
        QVERIFY(QTest::qWaitFor([c] { return c->twTechTab->currentRow() == 1; }, 4000));

        ModalDriver driver;
        driver.next("Numpad", [](ModalDialog& pad) { pad.clickFrameClose(); });
        QTest::mouseClick(c->twTechTab->viewport(), Qt::LeftButton, Qt::NoModifier,
                          c->twTechTab->visualRect(c->twTechTab->model()->index(4, 1)).center());
        QVERIFY(driver.done());
        // Several rows of the passport later the pick is still the current row.
        QTest::qWait(400);
        QCOMPARE(c->twTechTab->currentRow(), 4);
        c->pbDelTechPoint->click();
        QCOMPARE(column(c->twTechTab, 0), (QStringList{"0.00", "100.00", "200.00", "300.00", "500.00"}));

        // The weld enters the row at 200 mm: the highlight follows it there.
        QVERIFY(QTest::qWaitFor([c] { return c->twTechTab->currentRow() == 2; }, 3000));
    }

    // The header a full start writes (built with its programs off the GUI thread) is the one the
    // editor builds from its tables and pages, byte for byte: a seam, with another program on the
    // channel 2 page, and a ring joint with its rotator program.
    void fullStartHeaderAsFromTheTables_data()
    {
        QTest::addColumn<bool>("ring");
        QTest::newRow("seam") << false;
        QTest::newRow("ring joint") << true;
    }
    void fullStartHeaderAsFromTheTables()
    {
        QFETCH(bool, ring);
        m_console = std::make_unique<EditorConsole>();
        QVERIFY(m_console->start());
        CONTOUR* c = m_console->contour();
        QVERIFY(m_console->load(ring ? ContourSamples::ring() : ContourSamples::linear()));
        QVERIFY(m_console->placeAtFirstPoint());
        c->setPassportClock([] { return kStart; });
        c->teGcode_2->setPlainText(QStringLiteral("N1 $2\nN2 M30"));
        QVERIFY(m_console->pressStart());
        QVERIFY(QTest::qWaitFor([c] { return !c->passportFile().isEmpty(); }, 3000));
        const QString started = c->passportFile();
        c->startPassport();
        QVERIFY(c->passportFile() != started);
        // Up to the column line, which follows the programs.
        const auto header = [](const QString& file) {
            const QByteArray bytes = readFile(file);
            return fromCp1251(bytes.left(bytes.indexOf('\n', bytes.indexOf(cp1251(QStringLiteral("\"Время\";"))))));
        };
        const QString fromTables = header(c->passportFile());
        QVERIFY(fromTables.contains(QStringLiteral("\"ПРОГРАММА СВАРКИ (канал 3)\"")));
        QCOMPARE(fromTables.contains(QStringLiteral("(канал 2)")), ring);
        QCOMPARE(header(started), fromTables);
    }

    // A full start opens the full passport as the beam program leaves: the contour, the
    // technology and the three programs in its header, the beam columns in its rows, measured
    // while the beam unit runs and empty while it does not.
    void fullStart_data()
    {
        QTest::addColumn<bool>("beamUnit");
        QTest::newRow("beam unit running") << true;
        QTest::newRow("no beam unit") << false;
    }
    void fullStart()
    {
        QFETCH(bool, beamUnit);
        QLocale::setDefault(kRussian);
        m_console = std::make_unique<EditorConsole>();
        QVERIFY(m_console->start());
        CONTOUR* c = m_console->contour();
        // The beam unit: its life counter moves, its beam current reads 150 mA.
        SharedSegment companion(QStringLiteral("ELA_SHM_KEY"), ElaSharedMemory::kSize);
        quint64 life = 0;
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [&] {
            ++life;
            const float current = 150;
            companion.write(236, &current, sizeof current);
            companion.write(0, &life, sizeof life);
        });
        if (beamUnit) {
            beat.start(100);
            QVERIFY(QTest::qWaitFor([this] { return m_console->gui()->elaAlive(); }, 3000));
        }
        QVERIFY(m_console->load(ContourSamples::linear()));
        QVERIFY(m_console->placeAtFirstPoint());
        c->setPassportClock([] { return kStart; });
        // A channel 2 program on its page (a ring joint's of before) is no part of this weld.
        c->teGcode_2->setPlainText(QStringLiteral("N1 $2\nN2 M30"));
        QVERIFY(m_console->pressStart());
        QVERIFY(c->passportOpen());
        QVERIFY(QTest::qWaitFor([c] { return !c->passportOpen(); }, 5000));
        const QString text = fromCp1251(readFile(c->passportFile()));
        QVERIFY2(text.startsWith(QStringLiteral("\"weld\"\n\"Дата: 05-03-2026\"\n")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("\"Длина шва: ")));
        QVERIFY(text.contains(QStringLiteral("\"Контур:\"\n\"10.00 20.00 5.00 Прямая \"\n")));
        QVERIFY(text.contains(QStringLiteral("\"Технология:\"\n\"+ 0.00 0.0 700 600.0 2 \";\n\"- Технол.останов\";\n")));
        QVERIFY(text.contains(QStringLiteral("\"ПРОГРАММА СВАРКИ (канал 3)\"\n\"N1 $3\";\n")));
        QVERIFY(!text.contains(QStringLiteral("(канал 2)")));
        const QStringList lines = text.split(QLatin1Char('\n'));
        const int columns = lines.indexOf(QRegularExpression(QStringLiteral("^\"Время\";.*")));
        QVERIFY(columns > 0);
        QCOMPARE(lines.at(columns).count(QLatin1Char(';')), 32);
        QCOMPARE(lines.at(columns + 1).count(QLatin1Char(';')), 32);
        // "I луча" is the 12th column; the beam unit's 21 end with "P пушк.".
        const QStringList row = lines.at(columns + 2).split(QLatin1Char(';'));
        QCOMPARE(lines.at(columns).split(QLatin1Char(';')).at(11), QStringLiteral("\"I луча\""));
        if (beamUnit) {
            QCOMPARE(row.at(11), QStringLiteral("150,0"));
        } else {
            for (int i = 10; i <= 30; ++i)
                QVERIFY2(row.at(i).isEmpty(), qPrintable(lines.at(columns + 2)));
        }
    }
};

POKAVRO_TEST_MAIN(TestWeldPassport)
#include "tst_weldpassport.moc"
