// The operator log around a lost controller link, in the whole console against the simulated
// controllers: the loss and the return of each link said once, and after the return only what
// changed meanwhile.

#include <QListWidget>
#include <QtTest>
#include <algorithm>
#include <memory>

#include "drivesim.h"
#include "gui.h"
#include "kvs.h"
#include "operatorlines.h"
#include "testenv.h"
#include "vacuumsim.h"

namespace {

QStringList sorted(QStringList lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

}  // namespace

class TestLinkLog : public QObject
{
    Q_OBJECT

    std::unique_ptr<RecordingBoxes> m_boxes;
    QList<quint16> m_ports;

private slots:
    void init()
    {
        m_ports = TestEnv::prepareConsole();
        m_boxes = std::make_unique<RecordingBoxes>();
    }
    void cleanup() { m_boxes.reset(); }

    // All three streams stop for three seconds (the console tries to reconnect meanwhile): one
    // "[W]" line per link, on screen too; when they return one "[I]" line each, and of the 34
    // states the controllers report again only the two that changed meanwhile.
    void lostAndRestored()
    {
        Gui gui;
        OperatorLines log(gui.operatorLog().fileName());
        DriveSimulator drive;
        VacuumSimulator vacuum;
        QVERIFY(drive.start(m_ports[0], m_ports[1]));
        QVERIFY(vacuum.start(m_ports[2], m_ports[3], m_ports[4], m_ports[5]));
        const auto known = [&gui](bool yes) {
            return gui.drives()->statusKnown() == yes && gui.kvs->kvs()->statusKnown() == yes &&
                   gui.kvs->kvk()->statusKnown() == yes;
        };
        QVERIFY(QTest::qWaitFor([&] { return known(true); }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return log.all().contains(QStringLiteral("[I]Канал 3: бездействие")); }, 3000));
        QTest::qWait(300);
        QVERIFY(!log.fresh().filter(QStringLiteral("насос NL1")).isEmpty());

        drive.pauseStream();
        vacuum.pauseStream(VacuumSimulator::Kvs);
        vacuum.pauseStream(VacuumSimulator::Kvk);
        QVERIFY(QTest::qWaitFor([&] { return known(false); }, 5000));
        QTest::qWait(3000);
        const QStringList lost{"[W]Потеряна связь с КВК", "[W]Потеряна связь с КВС", "[W]Потеряна связь с ЧПУ"};
        QCOMPARE(sorted(log.fresh()), lost);
        QStringList shown;
        for (int i = gui.lwLog->count() - 3; i < gui.lwLog->count(); ++i)
            shown << QStringLiteral("[W]") + gui.lwLog->item(i)->text().mid(11);
        QCOMPARE(sorted(shown), lost);

        drive.status().doorState = 1;
        vacuum.setState(QStringLiteral("NL1"), 1);
        drive.resumeStream();
        vacuum.resumeStream(VacuumSimulator::Kvs);
        vacuum.resumeStream(VacuumSimulator::Kvk);
        QVERIFY(QTest::qWaitFor([&] { return known(true); }, 5000));
        QTest::qWait(500);
        QCOMPARE(sorted(log.fresh()),
                 (QStringList{"[I]Дверь открыта", "[I]Связь с КВК восстановлена", "[I]Связь с КВС восстановлена",
                              "[I]Связь с ЧПУ восстановлена", "[I]Форвакуумный насос NL1 включен"}));
    }
};

POKAVRO_TEST_MAIN(TestLinkLog)
#include "tst_linklog.moc"
