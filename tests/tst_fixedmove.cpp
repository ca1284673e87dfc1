// The fixed-move dialog against a loopback drive controller: the program it writes and the
// command that starts it, what enables its start, a folder it cannot write to, the mode and
// coordinate it keeps per axis, and its opening from the axis object.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "axis.h"
#include "axispanel.h"
#include "drivecomm.h"
#include "drivepeer.h"
#include "fixedmove.h"
#include "fixedpaths.h"
#include "modaldriver.h"
#include "myframe.h"
#include "readonlyfolder.h"
#include "settingsfile.h"
#include "testenv.h"
#include "widgets.h"

namespace {

const QString kProgram = QStringLiteral("/programs/_fixed.npg");

QByteArray programBytes()
{
    QFile file(FixedPaths::local(kProgram));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

void store(const QString& axis, const QVariant& absolute, const QVariant& coord)
{
    const auto settings = SettingsFile::open();
    settings->setValue(axis + "/FM_Absolute", absolute);
    settings->setValue(axis + "/FM_Coord", coord);
}

PoLabel* coordLabel(QWidget* dialog)
{
    return dialog->findChild<PoLabel*>(QStringLiteral("lblCoord"));
}

QPushButton* startButton(QWidget* dialog)
{
    return dialog->findChild<QPushButton*>(QStringLiteral("pbStart"));
}

// A touch on a label of the dialog; returns when what it opened has closed.
void touch(ModalDialog& d, const char* label)
{
    if (QWidget* widget = d.widget(QLatin1String(label)))
        QTest::mouseClick(widget, Qt::LeftButton);
}

// The widget that the dialog is opened against.
struct Anchor {
    Anchor()
    {
        window.setGeometry(100, 100, 300, 100);
        label = new PoLabel(&window);
        label->setGeometry(20, 30, 120, 40);
        window.show();
    }
    QWidget window;
    PoLabel* label;
};

}  // namespace

class TestFixedMove : public QObject
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
        QDir(FixedPaths::local("/programs")).removeRecursively();
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

    // Start writes the program, then sends its start on the axis's channel, logs it and closes.
    void startWritesProgram_data()
    {
        QTest::addColumn<QString>("axis");
        QTest::addColumn<QString>("units");
        QTest::addColumn<bool>("absolute");
        QTest::addColumn<double>("coord");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<QString>("line");

        QTest::newRow("LX absolute")
            << "LX" << "мм" << true << 150.0 << 1200 << 1
            << QByteArray("N01 $1\nN03 G90 G01 LX=150 F1200\nN05 M30\n")
            << "[C]Запущено фиксированное перемещение по оси LX в координату 150 мм";
        QTest::newRow("V relative")
            << "V" << "град" << false << 90.0 << 360 << 2
            << QByteArray("N01 $2\nN02 ARF()\nN03 G91 G01 V=90 F360\nN05 M30\n")
            << "[C]Запущено фиксированное перемещение по оси V на 90 град";
        QTest::newRow("virtual Z is Y")
            << "Z" << "мм" << true << 10.0 << 500 << 1
            << QByteArray("N01 $1\nN03 G90 G01 Y=10 F500\nN05 M30\n")
            << "[C]Запущено фиксированное перемещение по оси Z в координату 10 мм";
        QTest::newRow("U2 moves as U1")
            << "U2" << "град" << false << -0.25 << 60 << 2
            << QByteArray("N01 $2\nN03 G91 G01 U1=-0.25 F60\nN05 M30\n")
            << "[C]Запущено фиксированное перемещение по оси U2 на -0.25 град";
        QTest::newRow("PHI keeps its name")
            << "PHI" << "град" << true << 12.5 << 0 << 1
            << QByteArray("N01 $1\nN03 G90 G01 PHI=12.5 F0\nN05 M30\n")
            << "[C]Запущено фиксированное перемещение по оси PHI в координату 12.5 град";
        QTest::newRow("X, six significant digits")
            << "X" << "мм" << true << 12.345678 << 3000 << 1
            << QByteArray("N01 $1\nN03 G90 G01 X=12.3457 F3000\nN05 M30\n")
            << "[C]Запущено фиксированное перемещение по оси X в координату 12.3457 мм";
        QTest::newRow("small value in exponent form")
            << "LY" << "мм" << false << 0.00001 << 75 << 1
            << QByteArray("N01 $1\nN03 G91 G01 LY=1e-05 F75\nN05 M30\n")
            << "[C]Запущено фиксированное перемещение по оси LY на 1e-05 мм";
        QTest::newRow("large value in exponent form")
            << "D" << "град" << true << 1234567.0 << 900 << 1
            << QByteArray("N01 $1\nN03 G90 G01 D=1.23457e+06 F900\nN05 M30\n")
            << "[C]Запущено фиксированное перемещение по оси D в координату 1.23457e+06 град";
    }
    void startWritesProgram()
    {
        QFETCH(QString, axis);
        QFETCH(QString, units);
        QFETCH(bool, absolute);
        QFETCH(double, coord);
        QFETCH(int, speed);
        QFETCH(int, channel);
        QFETCH(QByteArray, program);
        QFETCH(QString, line);

        store(axis, absolute, coord);
        Anchor anchor;
        QStringList log;
        {
            FixedMove dialog(axis, units, m_link.get(), speed, channel, anchor.label);
            connect(&dialog, &FixedMove::message, [&](const QString& text, bool show) {
                log << text + (show ? "" : " (not shown)");
            });
            auto* frame = qobject_cast<MyFrame*>(dialog.parentWidget());
            QVERIFY(frame);
            QCOMPARE(frame->titleLabel()->text(), "Фикс. перемещение - ось " + axis);
            QCOMPARE(dialog.size(), QSize(350, 260));

            ModalDriver driver;
            driver.next("FixedMove", [](ModalDialog& d) { d.click("pbStart"); });
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
            QVERIFY(driver.done());
        }
        QCOMPARE(programBytes(), program);
        QCOMPARE(m_peer.next(), QStringLiteral("EXEC_%1(/programs/_fixed.npg)").arg(channel));
        QCOMPARE(log, QStringList({line, "[I]Закрыто окно фиксированного перемещения по оси " +
                                             axis + " (not shown)"}));
    }

    // Without its folder the program cannot be written: the operator is told which file, nothing
    // is sent and no start is logged, and the dialog closes all the same.
    void unwritableFolderSendsNothing()
    {
        QVERIFY(QDir(FixedPaths::local("/programs")).removeRecursively());
        store("LX", true, 5.0);
        Anchor anchor;
        QStringList log;
        {
            FixedMove dialog("LX", "мм", m_link.get(), 100, 1, anchor.label);
            connect(&dialog, &FixedMove::message, [&](const QString& text, bool) { log << text; });
            ModalDriver driver;
            driver.next("FixedMove", [](ModalDialog& d) { d.click("pbStart"); });
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
            QVERIFY(driver.done());
        }
        QVERIFY(m_peer.silent());
        QCOMPARE(log, QStringList({"[A]Не удалось записать файл /programs/_fixed.npg: программа не запущена",
                                   "[I]Закрыто окно фиксированного перемещения по оси LX"}));
        QVERIFY(!QFile::exists(FixedPaths::local(kProgram)));
    }

    // The programs folder is shared with the controller: the console may rewrite the program in
    // it but not create a file there. The program is rewritten in place and started.
    void rewrittenInASharedFolder()
    {
        {
            QFile old(FixedPaths::local(kProgram));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("N01 $1\nN03 G90 G01 LX=999 F1200\nN04 G4 F10\nN05 M30\n");
        }
        store("LX", true, 5.0);
        Anchor anchor;
        QStringList log;
        ReadOnlyFolder shared(FixedPaths::local("/programs"));
        QVERIFY(shared.holds());
        {
            FixedMove dialog("LX", "мм", m_link.get(), 100, 1, anchor.label);
            connect(&dialog, &FixedMove::message, [&](const QString& text, bool) { log << text; });
            ModalDriver driver;
            driver.next("FixedMove", [](ModalDialog& d) { d.click("pbStart"); });
            dialog.exec();
            QVERIFY(driver.done());
        }
        QCOMPARE(programBytes(), QByteArray("N01 $1\nN03 G90 G01 LX=5 F100\nN05 M30\n"));
        QCOMPARE(m_peer.next(), QStringLiteral("EXEC_1(/programs/_fixed.npg)"));
        QCOMPARE(log.first(), QStringLiteral("[C]Запущено фиксированное перемещение по оси LX в координату 5 мм"));
        QCOMPARE(int(QFile::permissions(FixedPaths::local(kProgram)) & 0x7777), 0x7777);
    }

    // A start that the controller cannot be trusted to run writes nothing and sends nothing: one
    // shown "[A]" line says why, and the dialog closes as after any start. The program file is
    // shared by channels 1 and 2, so either of them loading or running a program refuses it.
    void refusedStart_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("axis");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("line");
        QTest::newRow("no status yet") << "no status" << "LX" << 1 << "[A]Пуск невозможен: нет связи с ЧПУ";
        QTest::newRow("link never up") << "dead link" << "LX" << 1 << "[A]Пуск невозможен: нет связи с ЧПУ";
        QTest::newRow("drives off") << "drives off" << "V" << 2 << "[A]Пуск невозможен: приводы не включены";
        QTest::newRow("own channel running") << "channel 2 running" << "V" << 2
                                             << "[A]Пуск невозможен: канал 2 выполняет программу";
        QTest::newRow("own channel loading") << "channel 1 loading" << "LX" << 1
                                             << "[A]Пуск невозможен: канал 1 загружает программу";
        QTest::newRow("other channel running") << "channel 2 running" << "LX" << 1
                                               << "[A]Пуск невозможен: канал 2 выполняет программу";
    }
    void refusedStart()
    {
        QFETCH(QString, fault);
        QFETCH(QString, axis);
        QFETCH(int, channel);
        QFETCH(QString, line);
        const QByteArray old = "N01 $1\nN03 G90 G01 LX=999 F1200\nN05 M30\n";
        {
            QFile file(FixedPaths::local(kProgram));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(old);
        }
        DriveTCPthread dead;
        QSignalSpy notSent(&dead, &DriveTCPthread::commandNotSent);
        DriveTCPthread* link = fault == "dead link" ? &dead : m_link.get();
        if (link != &dead)
            QVERIFY(m_peer.reportNotReady(*link, fault));

        store(axis, true, 5.0);
        Anchor anchor;
        QStringList log;
        {
            FixedMove dialog(axis, "мм", link, 100, channel, anchor.label);
            connect(&dialog, &FixedMove::message, [&](const QString& text, bool show) {
                log << text + (show ? "" : " (not shown)");
            });
            ModalDriver driver;
            driver.next("FixedMove", [](ModalDialog& d) { d.click("pbStart"); });
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
            QVERIFY(driver.done());
        }
        QCOMPARE(log, QStringList({line, "[I]Закрыто окно фиксированного перемещения по оси " + axis + " (not shown)"}));
        QCOMPARE(programBytes(), old);
        QVERIFY(m_peer.silent());
        QCOMPARE(notSent.count(), 0);
    }

    // Opened from an axis, "ПУСК" follows drive power and channel 1 only: a start that it lets
    // through is still refused while channel 2 runs a program, and once the link is lost with the
    // dialog open.
    void refusedThoughEnabled()
    {
        AxisPanel panel(m_link.get());
        QStringList log;
        connect(panel.axis.get(), &Axis::axisMessage, [&](const QString& text, bool) { log << text; });
        QVERIFY(m_peer.reportNotReady(*m_link, "channel 2 running"));
        QList<bool> enabled;
        {
            ModalDriver driver;
            driver.next("FixedMove", [&](ModalDialog& d) {
                enabled << d.isEnabled("pbStart");
                d.click("pbStart");
            });
            QTest::mouseClick(panel.coord, Qt::LeftButton);
            QVERIFY(QTest::qWaitFor([&] { return driver.done(); }, 10000));
        }
        QVERIFY(m_peer.report(*m_link, DrivePeer::ready()));
        {
            ModalDriver driver;
            driver.next("FixedMove", [&](ModalDialog& d) {
                m_peer.setStreaming(false);
                QVERIFY(QTest::qWaitFor([&] { return !m_link->statusKnown(); }, 5000));
                enabled << d.isEnabled("pbStart");
                d.click("pbStart");
            });
            QTest::mouseClick(panel.coord, Qt::LeftButton);
            QVERIFY(QTest::qWaitFor([&] { return driver.done(); }, 10000));
        }
        QCOMPARE(enabled, (QList<bool>{true, true}));
        QCOMPARE(log, (QStringList{"[I]Открыто окно фиксированного перемещения по оси LX",
                                   "[A]Пуск невозможен: канал 2 выполняет программу",
                                   "[I]Закрыто окно фиксированного перемещения по оси LX",
                                   "[I]Открыто окно фиксированного перемещения по оси LX",
                                   "[A]Пуск невозможен: нет связи с ЧПУ",
                                   "[I]Закрыто окно фиксированного перемещения по оси LX"}));
        QCOMPARE(programBytes(), QByteArray("<no file>"));
        QVERIFY(m_peer.silent());
    }

    // A program written again replaces the old one and leaves it with mode 0777.
    void rewrittenProgramIsOpenToAll()
    {
        Anchor anchor;
        for (double coord : {1.0, 2.0}) {
            store("A", true, coord);
            FixedMove dialog("A", "град", m_link.get(), 180, 1, anchor.label);
            ModalDriver driver;
            driver.next("FixedMove", [](ModalDialog& d) { d.click("pbStart"); });
            dialog.exec();
            QVERIFY(driver.done());
            QCOMPARE(m_peer.next(), QStringLiteral("EXEC_1(/programs/_fixed.npg)"));
        }
        QCOMPARE(programBytes(), QByteArray("N01 $1\nN03 G90 G01 A=2 F180\nN05 M30\n"));
        QCOMPARE(int(QFile::permissions(FixedPaths::local(kProgram)) & 0x7777), 0x7777);
    }

    // The later of the two enabling slots wins.
    void enablingSequence()
    {
        Anchor anchor;
        FixedMove dialog("LX", "мм", m_link.get(), 100, 1, anchor.label);
        QPushButton* start = startButton(&dialog);
        struct Step {
            const char* slot;
            uint value;
            bool enabled;
        };
        const Step steps[] = {
            {"channel", 1, true},  {"channel", 2, false}, {"drives", 1, true},
            {"channel", 3, false}, {"drives", 0, false},  {"channel", 1, true},
            {"channel", 0, false}, {"drives", 1, true},   {"drives", 0, false},
        };
        for (const Step& step : steps) {
            if (QLatin1String(step.slot) == QLatin1String("channel"))
                dialog.onChannelState(step.value);
            else
                dialog.onDriveState(step.value != 0);
            QVERIFY2(start->isEnabled() == step.enabled,
                     qPrintable(QStringLiteral("%1 %2").arg(step.slot).arg(step.value)));
        }
    }

    // The mode and the coordinate come back when the dialog is opened again, also when it was
    // closed without a start; a cancelled pad changes nothing and an empty entry gives 0.
    void settingsRestoredOnReopening()
    {
        Anchor anchor;
        QStringList log;
        auto logTo = [&](FixedMove& dialog) {
            connect(&dialog, &FixedMove::message, [&](const QString& text, bool) { log << text; });
        };
        {
            FixedMove dialog("B", "град", m_link.get(), 720, 1, anchor.label);
            logTo(dialog);
            QVERIFY(dialog.findChild<QPushButton*>("pbAbsolute")->isChecked());
            QCOMPARE(coordLabel(&dialog)->text(), QStringLiteral("0.00"));

            ModalDriver driver;
            driver.next("FixedMove", [](ModalDialog& d) {
                d.click("pbRelative");
                touch(d, "lblCoord");   // opens the pad; the next step acts on it
                QCOMPARE(d.text("lblCoord"), QStringLiteral("12.35"));
                touch(d, "lblCoord");
                QCOMPARE(d.text("lblCoord"), QStringLiteral("12.35"));
                d.clickFrameClose();
            });
            driver.next("Numpad", [](ModalDialog& pad) {
                QCOMPARE(pad.text("leLCD"), QString());   // starts empty
                pad.type("12.34567");
                pad.click("pbEnter");
            });
            driver.next("Numpad", [](ModalDialog& pad) {
                pad.type("99");
                pad.clickFrameClose();                      // cancelled
            });
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
            QVERIFY(driver.done());
        }
        QCOMPARE(log, QStringList({"[I]Закрыто окно фиксированного перемещения по оси B"}));
        QVERIFY(m_peer.silent(100));
        {
            FixedMove dialog("B", "град", m_link.get(), 720, 1, anchor.label);
            QVERIFY(dialog.findChild<QPushButton*>("pbRelative")->isChecked());
            QVERIFY(!dialog.findChild<QPushButton*>("pbAbsolute")->isChecked());
            QCOMPARE(coordLabel(&dialog)->text(), QStringLiteral("12.35"));
            ModalDriver driver;
            driver.next("FixedMove", [](ModalDialog& d) { d.click("pbStart"); });
            dialog.exec();
            QVERIFY(driver.done());
        }
        QCOMPARE(programBytes(), QByteArray("N01 $1\nN03 G91 G01 B=12.3457 F720\nN05 M30\n"));
        QCOMPARE(m_peer.next(), QStringLiteral("EXEC_1(/programs/_fixed.npg)"));
        // Another axis keeps its own keys.
        {
            FixedMove other("C", "град", m_link.get(), 900, 1, anchor.label);
            QVERIFY(other.findChild<QPushButton*>("pbAbsolute")->isChecked());
            QCOMPARE(coordLabel(&other)->text(), QStringLiteral("0.00"));
            ModalDriver driver;
            driver.next("FixedMove", [](ModalDialog& d) {
                touch(d, "lblCoord");
                d.clickFrameClose();
            });
            driver.next("Numpad", [](ModalDialog& pad) { pad.click("pbEnter"); });
            other.exec();
            QVERIFY(driver.done());
            QCOMPARE(coordLabel(&other)->text(), QStringLiteral("0.00"));
        }
        QCOMPARE(SettingsFile::open()->value("C/FM_Coord").toDouble(), 0.0);
    }

    // A stored coordinate that is not a finite number never reaches a program: it reads as 0.
    void nonFiniteStoredCoordinateReadsAsZero_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("nan") << "nan";
        QTest::newRow("inf") << "inf";
        QTest::newRow("-inf") << "-inf";
        QTest::newRow("beyond float") << "1e39";
        QTest::newRow("not a number") << "abc";
    }
    void nonFiniteStoredCoordinateReadsAsZero()
    {
        QFETCH(QString, stored);
        {
            QFile settings(FixedPaths::settingsFile());
            QVERIFY(settings.open(QIODevice::WriteOnly));
            settings.write("[LX]\nFM_Absolute=true\nFM_Coord=" + stored.toLatin1() + "\n");
        }
        Anchor anchor;
        FixedMove dialog("LX", "мм", m_link.get(), 100, 1, anchor.label);
        QCOMPARE(coordLabel(&dialog)->text(), QStringLiteral("0.00"));
        ModalDriver driver;
        driver.next("FixedMove", [](ModalDialog& d) { d.click("pbStart"); });
        dialog.exec();
        QVERIFY(driver.done());
        QCOMPARE(programBytes(), QByteArray("N01 $1\nN03 G90 G01 LX=0 F100\nN05 M30\n"));
        QCOMPARE(m_peer.next(), QStringLiteral("EXEC_1(/programs/_fixed.npg)"));
    }

    // Touching an axis's coordinate opens its dialog below the label, with the axis's speed and
    // channel; the start follows channel 1 and the drive power reported by the link.
    void openedFromAxis()
    {
        QWidget window;
        window.setGeometry(50, 60, 600, 200);
        auto* sprite = new PoSprite(&window);
        auto* coord = new PoLabel(&window);
        coord->setGeometry(10, 40, 100, 30);
        auto* speed = new PoLabel(&window);
        auto* plus = new QPushButton("+", &window);
        auto* minus = new QPushButton("-", &window);
        auto* info = new QPushButton("i", &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        SettingsFile::open()->setValue("V/Speed", 360);
        Axis axis("V", "град", 9, 2, 2160, m_link.get(), sprite, coord, speed, plus, minus, info,
                  false, false);
        QStringList log;
        connect(&axis, &Axis::axisMessage, [&](const QString& text, bool show) {
            log << text + (show ? "" : " (not shown)");
        });

        // Channel 1 is running when the dialog opens.
        const DriveStatusPacket before = m_peer.status();
        DriveStatusPacket status = before;
        status.channelState[0] = 3;
        status.drivesOn = 1;
        QVERIFY(m_peer.report(*m_link, status));
        QCOMPARE(m_link->channelState(), 3u);

        ModalDriver driver;
        driver.next("FixedMove", [&](ModalDialog& d) {
            auto* frame = qobject_cast<MyFrame*>(d.window());
            QVERIFY(frame);
            QCOMPARE(frame->titleLabel()->text(), QStringLiteral("Фикс. перемещение - ось V"));
            QCOMPARE(frame->pos(), coord->mapToGlobal(QPoint(0, coord->height())));
            QVERIFY(!d.isEnabled("pbStart"));
            status.channelState[0] = 1;   // the program ends
            m_peer.setStatus(status);
            QVERIFY(QTest::qWaitFor([&] { return d.isEnabled("pbStart"); }, 3000));
            status.drivesOn = 0;          // the drives switch off
            m_peer.setStatus(status);
            QVERIFY(QTest::qWaitFor([&] { return !d.isEnabled("pbStart"); }, 3000));
            status.drivesOn = 1;
            m_peer.setStatus(status);
            QVERIFY(QTest::qWaitFor([&] { return d.isEnabled("pbStart"); }, 3000));
            d.click("pbStart");
        });
        QTest::mouseClick(coord, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return driver.done(); }, 10000));
        QCOMPARE(programBytes(), QByteArray("N01 $2\nN02 ARF()\nN03 G90 G01 V=0 F360\nN05 M30\n"));
        QCOMPARE(m_peer.next(), QStringLiteral("EXEC_2(/programs/_fixed.npg)"));
        QCOMPARE(log, QStringList({"[I]Открыто окно фиксированного перемещения по оси V (not shown)",
                                   "[C]Запущено фиксированное перемещение по оси V в координату 0 град",
                                   "[I]Закрыто окно фиксированного перемещения по оси V (not shown)"}));
        m_peer.setStatus(before);
    }

private:
    std::unique_ptr<DriveTCPthread> m_link;
    DrivePeer m_peer;
};

POKAVRO_TEST_MAIN(TestFixedMove)

#include "tst_fixedmove.moc"
