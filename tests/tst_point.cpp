// The taught-points dialog and its point file against a loopback drive controller: the file's
// exact text, reading files that are foreign, short, damaged or missing, the go-to programs and
// the stop.

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>
#include <cmath>
#include <memory>

#include "drivecomm.h"
#include "drivepeer.h"
#include "fixedpaths.h"
#include "modaldriver.h"
#include "myframe.h"
#include "fulldisk.h"
#include "point.h"
#include "readonlyfolder.h"
#include "pointfile.h"
#include "settingsfile.h"
#include "testenv.h"

namespace {

const QList<float> kCoords = {120.5f, 0.0f, -3.0f, 45.125f, 0.004f, -0.006f, 7.0f, 90.0f};

QByteArray readFile(const QString& installationPath)
{
    QFile file(FixedPaths::local(installationPath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

void writeFile(const QString& installationPath, const QByteArray& bytes)
{
    QFile file(FixedPaths::local(installationPath));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The dialog over its shown parent, with its messages recorded.
struct Fixture {
    explicit Fixture(DriveTCPthread* link, QList<float> coords = kCoords)
    {
        parent.setGeometry(100, 100, 300, 80);
        parent.show();
        dialog = std::make_unique<Point>(link, coords, &parent);
        QObject::connect(dialog.get(), &Point::message, [this](const QString& text, bool show) {
            log << text + (show ? "" : " (not shown)");
        });
        table = dialog->findChild<QTableWidget*>("tableWidget");
        caption = dialog->findChild<QLabel*>("nameLabel");
    }

    QStringList column(int c) const
    {
        QStringList texts;
        for (int row = 0; row < table->rowCount(); ++row)
            texts << (table->item(row, c) ? table->item(row, c)->text() : "<none>");
        return texts;
    }

    QWidget parent;
    QStringList log;
    std::unique_ptr<Point> dialog;
    QTableWidget* table = nullptr;
    QLabel* caption = nullptr;
};

const QStringList kAxes = {"LX", "LY", "A", "B", "C", "D", "U1", "V"};

}  // namespace

class TestPoint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_link = std::make_unique<DriveTCPthread>();
    }

    void init()
    {
        QFile::remove(FixedPaths::settingsFile());
        for (const char* folder : {"/programs", "/points"})
            QDir(FixedPaths::local(folder)).removeRecursively();
        TestEnv::makeInstallationFolders();
        QVERIFY(m_peer.attach(*m_link));
        QVERIFY(m_peer.report(*m_link, DrivePeer::ready()));
    }

    void cleanup()
    {
        // A link left without status ends by itself; the next test opens it again.
        if (!m_peer.streaming()) {
            QVERIFY(QTest::qWaitFor([&] { return !m_link->connected(); }, 5000));
            m_peer.setStreaming(true);
        }
    }

    void cleanupTestCase()
    {
        m_link.reset();
    }

    // The dialog opens below its parent with the current coordinates; a coordinate that is not
    // a finite number, or one missing from the list, is shown as an empty cell.
    void opensWithCurrentCoordinates()
    {
        Fixture f(m_link.get(), {1.0f, NAN, INFINITY, -2.5f, 0.0f, 0.0f, 0.0f});
        auto* frame = qobject_cast<MyFrame*>(f.dialog->parentWidget());
        QVERIFY(frame);
        QCOMPARE(frame->titleLabel()->text(), QStringLiteral("Координаты точки"));
        QCOMPARE(frame->pos(), f.parent.mapToGlobal(QPoint(0, f.parent.height())));
        QCOMPARE(f.caption->text(), QStringLiteral("Текущее положение"));
        QCOMPARE(f.table->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Имя оси"));
        QCOMPARE(f.table->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Координата"));
        QCOMPARE(f.column(0), kAxes);
        QCOMPARE(f.column(1), QStringList({"1.00", "", "", "-2.50", "0.00", "0.00", "0.00", ""}));
        QCOMPARE(f.table->currentRow(), 0);
        QCOMPARE(f.table->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    // Saving writes the dialog's own axis names and the coordinates as the table shows them.
    void savedFileBytes()
    {
        Fixture f(m_link.get());
        f.dialog->onTableCellClicked(4, 1);
        f.dialog->saveFile("p1", "/points/p1");
        QCOMPARE(readFile("/points/p1.point"),
                 QByteArray("LX 120.50\nLY 0.00\nA -3.00\nB 45.13\nC 0.00\nD -0.01\nU1 7.00\n"
                            "V 90.00\n"));
        QCOMPARE(f.log, QStringList({"[I]Положение механической системы сохранено в файле p1.point"}));
        QCOMPARE(f.caption->text(), QStringLiteral("p1"));
        QCOMPARE(f.table->currentRow(), 0);
    }

    // Through the file dialog in save mode: a new name typed in.
    void saveThroughFileDialog()
    {
        Fixture f(m_link.get(), {1, 2, 3, 4, 5, 6, 7, 8});
        ModalDriver driver;
        driver.next("FileManager", [](ModalDialog& d) {
            d.type("leSaveAsNewProgName", "taught");
            d.key("leSaveAsNewProgName", Qt::Key_Return);
        });
        QTest::mouseClick(f.dialog->findChild<QWidget*>("pbSaveFile"), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return driver.done(); }, 10000));
        QCOMPARE(readFile("/points/taught.point"),
                 QByteArray("LX 1.00\nLY 2.00\nA 3.00\nB 4.00\nC 5.00\nD 6.00\nU1 7.00\nV 8.00\n"));
    }

    // An installation without its points folder gets one at the first save; a folder that
    // cannot be made (a file stands in its place) is reported, and the caption stays.
    void missingFolder()
    {
        QVERIFY(QDir(FixedPaths::local("/points")).removeRecursively());
        Fixture f(m_link.get());
        f.dialog->saveFile("first", "/points/first");
        QVERIFY(readFile("/points/first.point").startsWith("LX 120.50\n"));
        QCOMPARE(f.caption->text(), QStringLiteral("first"));

        QVERIFY(QDir(FixedPaths::local("/points")).removeRecursively());
        writeFile("/points", "not a folder");
        f.log.clear();
        f.dialog->saveFile("old", "/points/old");
        QCOMPARE(f.log, QStringList{"[W]Положение механической системы не сохранено: не удалось записать файл "
                                    "old.point"});
        QCOMPARE(f.caption->text(), QStringLiteral("first"));
        QVERIFY(QFile::remove(FixedPaths::local("/points")));
    }

    // A point saved while the disk takes no more data: the file keeps the point it had, the
    // operator is told it was not saved, and the caption stays.
    void fullDiskKeepsThePoint_data()
    {
        FullDisk::addColumn();
        FullDisk::addRows();
    }
    void fullDiskKeepsThePoint()
    {
        QFETCH(int, disk);
        FullDisk full(FullDisk::Kind(disk), FixedPaths::local("/points"));
        if (!full.unavailable().isEmpty())
            QSKIP(qPrintable(full.unavailable()));
        const QByteArray old("LX 1.00\nLY 2.00\nA 3.00\nB 4.00\nC 5.00\nD 6.00\nU1 7.00\nV 8.00\n");
        writeFile("/points/p1.point", old);
        Fixture f(m_link.get());
        full.fill();
        f.dialog->saveFile("p1", "/points/p1");
        full.free();
        QCOMPARE(f.log, QStringList{"[W]Положение механической системы не сохранено: не удалось записать файл "
                                    "p1.point"});
        QCOMPARE(readFile("/points/p1.point"), old);
        QCOMPARE(f.caption->text(), QStringLiteral("Текущее положение"));
    }

    // A table without its eight rows is never saved.
    void saveRefusesIncompleteTable()
    {
        Fixture f(m_link.get());
        f.table->setRowCount(5);
        f.dialog->saveFile("short", "/points/short");
        QVERIFY(!QFile::exists(FixedPaths::local("/points/short.point")));
        QVERIFY(f.log.isEmpty());
    }

    // Loading shows what the file holds; a foreign axis name is shown but the row still drives
    // its own axis, and saving again writes the dialog's names.
    void loadForeignAxisName()
    {
        writeFile("/points/foreign.point",
                  "X 10.50\nLY -1.25\nA 0.00\nB 0.00\nC 0.00\nD 0.00\nU1 0.00\nV 33.30\n");
        Fixture f(m_link.get());
        f.dialog->onTableCellClicked(3, 0);
        ModalDriver driver;
        driver.next("FileManager", [](ModalDialog& d) {
            QCOMPARE(d.items("listWidget_prog").filter("foreign"), QStringList({"foreign"}));
            d.clickItem("listWidget_prog", "foreign");
            d.click("pbLoad");
        });
        QTest::mouseClick(f.dialog->findChild<QWidget*>("pbOpenFile"), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return driver.done(); }, 10000));

        QCOMPARE(f.column(0), QStringList({"X", "LY", "A", "B", "C", "D", "U1", "V"}));
        QCOMPARE(f.column(1),
                 QStringList({"10.50", "-1.25", "0.00", "0.00", "0.00", "0.00", "0.00", "33.30"}));
        QCOMPARE(f.caption->text(), QStringLiteral("foreign"));
        QCOMPARE(f.table->currentRow(), 0);
        QCOMPARE(f.log, QStringList({"[I]Выполнена загрузка точки из файла foreign.point"}));

        f.dialog->on_pbGoToPoint_clicked();
        QCOMPARE(readFile("/programs/_point.npg"), QByteArray("N01 $1\nN03 G90 G01 LX=10.50 F1200\nN05 M30\n"));
        QCOMPARE(m_peer.next(), QStringLiteral("EXEC_1(/programs/_point.npg)"));

        f.dialog->saveFile("again", "/points/again");
        QVERIFY(readFile("/points/again.point").startsWith("LX 10.50\nLY -1.25\n"));
    }

    // What a point file's text reads as. A row without a coordinate has an empty cell, never
    // a number that was not taught.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("coords");   // "" for no coordinate

        const QByteArray full = "LX 1.00\nLY 2.00\nA 3.00\nB 4.00\nC 5.00\nD 6.00\nU1 7.00\nV 8.00\n";
        const QStringList all = {"1.00", "2.00", "3.00", "4.00", "5.00", "6.00", "7.00", "8.00"};
        QTest::newRow("as saved") << full << kAxes << all;
        QByteArray crlf = full;
        crlf.replace("\n", "\r\n");
        QTest::newRow("CR LF, no final line end") << crlf.left(crlf.size() - 2) << kAxes << all;
        QTest::newRow("blank lines and tabs")
            << QByteArray("\n  LX\t1\n\nLY 2\n A 3 \nB 4\nC 5\nD 6\nU1 7\nV 8\n") << kAxes << all;
        QTest::newRow("beyond the eighth row ignored")
            << full + "W 9.00\n" << kAxes << all;
        QTest::newRow("extra words ignored")
            << QByteArray("LX 1 junk\nLY 2\nA 3\nB 4\nC 5\nD 6\nU1 7\nV 8 9 10\n") << kAxes << all;
        QTest::newRow("short")
            << QByteArray("LX 1.5\nLY -2.25\nA 3\n")
            << QStringList({"LX", "LY", "A", "", "", "", "", ""})
            << QStringList({"1.50", "-2.25", "3.00", "", "", "", "", ""});
        QTest::newRow("empty") << QByteArray() << QStringList({"", "", "", "", "", "", "", ""}) << QStringList({"", "", "", "", "", "", "", ""});
        QTest::newRow("not finite or not a number")
            << QByteArray("LX nan\nLY inf\nA -inf\nB 1e39\nC 12,5\nD abc\nU1\nV 1e3\n")
            << kAxes << QStringList({"", "", "", "", "", "", "", "1000.00"});
        QTest::newRow("a saved empty cell")
            << QByteArray("LX \nLY 2.00\nA 3.00\nB 4.00\nC 5.00\nD 6.00\nU1 7.00\nV 8.00\n")
            << kAxes << QStringList({"", "2.00", "3.00", "4.00", "5.00", "6.00", "7.00", "8.00"});
        QTest::newRow("an over-long word empties its row")
            << QByteArray("LX 1\n") + QByteArray(65, 'L') + " 2\nA " + QByteArray(65, '3') + "\nB 4\n"
                   + QByteArray(64, 'C') + " 5\n"
            << QStringList({"LX", "", "", "B", QString(64, 'C'), "", "", ""})
            << QStringList({"1.00", "", "", "4.00", "5.00", "", "", ""});
        const QByteArray padding(PointFile::kMaxBytes - 13, ' ');
        QTest::newRow("text beyond the limit, a row cut there")
            << QByteArray("LX 1\n") + padding + "\nLY 2.00\nA 3\n" << QStringList({"LX", "", "", "", "", "", "", ""})
            << QStringList({"1.00", "", "", "", "", "", "", ""});
        QTest::newRow("text beyond the limit, whole rows before it")
            << QByteArray("LX 1\n") + padding + "\nLY 2\nA 3.00" << QStringList({"LX", "LY", "", "", "", "", "", ""})
            << QStringList({"1.00", "2.00", "", "", "", "", "", ""});
        QTest::newRow("binary")
            << QByteArray("\x00\xff\x01 \x7f\n", 6) << QStringList() << QStringList();
    }
    void parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, names);
        QFETCH(QStringList, coords);

        const QVector<PointFile::Row> rows = PointFile::parse(text);
        QCOMPARE(rows.size(), PointFile::kRows);
        if (names.isEmpty()) {   // only that it is read without harm
            for (const PointFile::Row& row : rows)
                QVERIFY(!row.hasCoord || std::isfinite(row.coord));
            return;
        }
        QStringList readNames;
        QStringList readCoords;
        for (const PointFile::Row& row : rows) {
            readNames << row.name;
            readCoords << (row.hasCoord ? QString::number(double(row.coord), 'f', 2) : QString());
            QVERIFY(std::isfinite(row.coord));
        }
        QCOMPARE(readNames, names);
        QCOMPARE(readCoords, coords);
    }

    // A large file takes no longer to load than a point file does: only its head is read. Here
    // 64 MiB without a line break: one over-long word, so no row.
    void largeFileLoadsAtOnce()
    {
        {
            QFile file(FixedPaths::local("/points/large.point"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            const QByteArray block(1 << 20, 'x');
            for (int i = 0; i < 64; ++i)
                QCOMPARE(file.write(block), qint64(block.size()));
        }
        Fixture f(m_link.get());
        QElapsedTimer clock;
        clock.start();
        f.dialog->loadFile("large", "/points/large");
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(f.column(0), QStringList({"", "", "", "", "", "", "", ""}));
        QCOMPARE(f.column(1), QStringList({"", "", "", "", "", "", "", ""}));
        QVERIFY(QFile::remove(FixedPaths::local("/points/large.point")));
    }

    // A short file leaves the missing rows empty: go-to on them writes and sends nothing, and a
    // save keeps them empty so that they read back empty.
    void shortFileLeavesRowsEmpty()
    {
        writeFile("/points/short.point", "LX 5.00\nLY nan\n");
        Fixture f(m_link.get());
        f.dialog->loadFile("short", "/points/short");
        QCOMPARE(f.column(0), QStringList({"LX", "LY", "", "", "", "", "", ""}));
        QCOMPARE(f.column(1), QStringList({"5.00", "", "", "", "", "", "", ""}));

        for (int row : {1, 2, 7}) {
            f.dialog->onTableCellClicked(row, 1);
            f.dialog->on_pbGoToPoint_clicked();
        }
        QVERIFY(m_peer.silent());
        QVERIFY(!QFile::exists(FixedPaths::local("/programs/_point.npg")));

        f.dialog->saveFile("short2", "/points/short2");
        QCOMPARE(readFile("/points/short2.point"),
                 QByteArray("LX 5.00\nLY \nA \nB \nC \nD \nU1 \nV \n"));
        f.dialog->loadFile("short2", "/points/short2");
        QCOMPARE(f.column(0), kAxes);
        QCOMPARE(f.column(1), QStringList({"5.00", "", "", "", "", "", "", ""}));
    }

    // A file that cannot be opened leaves the table, its caption and its selection as they were,
    // and is not reported.
    void missingFileLeavesTable()
    {
        Fixture f(m_link.get());
        f.dialog->onTableCellClicked(5, 0);
        const QStringList names = f.column(0);
        const QStringList coords = f.column(1);
        f.dialog->loadFile("gone", "/points/gone");
        QCOMPARE(f.column(0), names);
        QCOMPARE(f.column(1), coords);
        QCOMPARE(f.caption->text(), QStringLiteral("Текущее положение"));
        QCOMPARE(f.table->currentRow(), 5);
        QVERIFY(f.log.isEmpty());
        // The table still works: saving and going to the selected row.
        f.dialog->on_pbGoToPoint_clicked();
        QCOMPARE(readFile("/programs/_point.npg"), QByteArray("N01 $1\nN03 G90 G01 D=-0.01 F360\nN05 M30\n"));
        QCOMPARE(m_peer.next(), QStringLiteral("EXEC_1(/programs/_point.npg)"));
    }

    // Go-to writes the one-move program of the selected row and starts it on the row's channel;
    // the dialog stays open.
    void goToPoint_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("line");
        QTest::newRow("row 0, LX") << 0 << QByteArray("N01 $1\nN03 G90 G01 LX=120.50 F1200\nN05 M30\n")
                                   << "EXEC_1(/programs/_point.npg)"
                                   << "[C]Запущено перемещение в точку 120.5 по оси LX";
        QTest::newRow("row 2, negative") << 2 << QByteArray("N01 $1\nN03 G90 G01 A=-3.00 F180\nN05 M30\n")
                                         << "EXEC_1(/programs/_point.npg)"
                                         << "[C]Запущено перемещение в точку -3 по оси A";
        QTest::newRow("row 6, U1") << 6 << QByteArray("N01 $1\nN03 G90 G01 U1=7.00 F60\nN05 M30\n")
                                   << "EXEC_1(/programs/_point.npg)"
                                   << "[C]Запущено перемещение в точку 7 по оси U1";
        QTest::newRow("row 7, V") << 7
                                  << QByteArray("N01 $2\nN02 ARF()\nN03 G90 G01 V=90.00 F360\nN05 M30\n")
                                  << "EXEC_2(/programs/_point.npg)"
                                  << "[C]Запущено перемещение в точку 90 по оси V";
    }
    void goToPoint()
    {
        QFETCH(int, row);
        QFETCH(QByteArray, program);
        QFETCH(QString, command);
        QFETCH(QString, line);

        Fixture f(m_link.get());
        // A real touch on the row selects it.
        const QRect cell = f.table->visualItemRect(f.table->item(row, 1));
        QVERIFY(!cell.isEmpty());
        QTest::mouseClick(f.table->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(f.table->currentRow(), row);
        QTest::mouseClick(f.dialog->findChild<QWidget*>("pbGoToPoint"), Qt::LeftButton);
        QCOMPARE(readFile("/programs/_point.npg"), program);
        QCOMPARE(m_peer.next(), command);
        QCOMPARE(f.log, QStringList({line}));
        QVERIFY(f.dialog->isVisible());
    }

    // Without its folder the program cannot be written: the operator is told which file, and
    // nothing is sent.
    void goToWithoutProgramFolder()
    {
        QVERIFY(QDir(FixedPaths::local("/programs")).removeRecursively());
        Fixture f(m_link.get());
        f.dialog->on_pbGoToPoint_clicked();
        QVERIFY(m_peer.silent());
        QCOMPARE(f.log, QStringList{"[A]Не удалось записать файл /programs/_point.npg: программа не запущена"});
    }

    // The programs folder is shared with the controller: the console may rewrite the program in
    // it but not create a file there. The program is rewritten in place and started.
    void goToInASharedFolder()
    {
        writeFile("/programs/_point.npg", "N01 $2\nN02 ARF()\nN03 G90 G01 V=270.00 F360\nN05 M30\n");
        ReadOnlyFolder shared(FixedPaths::local("/programs"));
        QVERIFY(shared.holds());
        Fixture f(m_link.get());
        f.dialog->on_pbGoToPoint_clicked();
        QCOMPARE(readFile("/programs/_point.npg"), QByteArray("N01 $1\nN03 G90 G01 LX=120.50 F1200\nN05 M30\n"));
        QCOMPARE(m_peer.next(), QStringLiteral("EXEC_1(/programs/_point.npg)"));
        QCOMPARE(f.log, QStringList{"[C]Запущено перемещение в точку 120.5 по оси LX"});
    }

    // A go-to that the controller cannot be trusted to run writes nothing and sends nothing: one
    // shown "[A]" line says why, and the dialog stays open. The program file is shared by both
    // channels, so either of them loading or running a program refuses it.
    void goToRefused_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("line");
        QTest::newRow("no status yet") << "no status" << 0 << "[A]Пуск невозможен: нет связи с ЧПУ";
        QTest::newRow("link never up") << "dead link" << 7 << "[A]Пуск невозможен: нет связи с ЧПУ";
        QTest::newRow("drives off") << "drives off" << 0 << "[A]Пуск невозможен: приводы не включены";
        QTest::newRow("own channel running") << "channel 1 running" << 0
                                             << "[A]Пуск невозможен: канал 1 выполняет программу";
        QTest::newRow("own channel loading") << "channel 2 loading" << 7
                                             << "[A]Пуск невозможен: канал 2 загружает программу";
        QTest::newRow("other channel running") << "channel 2 running" << 0
                                               << "[A]Пуск невозможен: канал 2 выполняет программу";
    }
    void goToRefused()
    {
        QFETCH(QString, fault);
        QFETCH(int, row);
        QFETCH(QString, line);
        const QByteArray old = "N01 $2\nN02 ARF()\nN03 G90 G01 V=270.00 F360\nN05 M30\n";
        writeFile("/programs/_point.npg", old);
        DriveTCPthread dead;
        QSignalSpy notSent(&dead, &DriveTCPthread::commandNotSent);
        DriveTCPthread* link = fault == "dead link" ? &dead : m_link.get();
        if (link != &dead)
            QVERIFY(m_peer.reportNotReady(*link, fault));

        Fixture f(link);
        f.dialog->onTableCellClicked(row, 1);
        QTest::mouseClick(f.dialog->findChild<QWidget*>("pbGoToPoint"), Qt::LeftButton);
        QCOMPARE(f.log, QStringList{line});
        QCOMPARE(readFile("/programs/_point.npg"), old);
        QVERIFY(m_peer.silent());
        QCOMPARE(notSent.count(), 0);
        QVERIFY(f.dialog->isVisible());
    }

    // Stop sends "STOP_PRG" whether or not a move runs, and reports nothing.
    void stopSendsStopProgram()
    {
        Fixture f(m_link.get());
        QTest::mouseClick(f.dialog->findChild<QWidget*>("pbStopGoPoint"), Qt::LeftButton);
        QCOMPARE(m_peer.next(), QStringLiteral("STOP_PRG"));
        QVERIFY(f.log.isEmpty());
    }

    // The column widths are kept; closing is logged without being shown.
    void closingKeepsColumnWidths()
    {
        {
            Fixture f(m_link.get());
            QCOMPARE(f.table->columnWidth(0), 100);
            QCOMPARE(f.table->columnWidth(1), 100);
            f.table->setColumnWidth(0, 70);
            f.table->setColumnWidth(1, 130);
            QStringList* log = &f.log;
            f.dialog.reset();
            QCOMPARE(*log, QStringList({"[I]Закрыто окно 'Координаты точки' (not shown)"}));
        }
        const auto settings = SettingsFile::open();
        QCOMPARE(settings->value("Point/Width_name").toInt(), 70);
        QCOMPARE(settings->value("Point/Width_coord").toInt(), 130);
        Fixture again(m_link.get());
        QCOMPARE(again.table->columnWidth(0), 70);
        QCOMPARE(again.table->columnWidth(1), 130);
    }

private:
    std::unique_ptr<DriveTCPthread> m_link;
    DrivePeer m_peer;
};

POKAVRO_TEST_MAIN(TestPoint)

#include "tst_point.moc"
