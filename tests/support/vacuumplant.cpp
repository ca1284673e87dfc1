#include "vacuumplant.h"

#include <QtTest>

#include "elementdlg.h"
#include "lockview.h"
#include "statebutton.h"
#include "testenv.h"

bool VacuumPlant::start()
{
    const QList<quint16> ports = TestEnv::configureControllers();
    sim.setRate(50);
    sim.setSwitchSeconds(0.3);
    if (!sim.start(ports[2], ports[3], ports[4], ports[5]))
        return false;
    screen = std::make_unique<KVS>();
    return QTest::qWaitFor(
        [this] {
            for (int d = 0; d < KVS::ElementDialogCount; ++d) {
                if (dialog(d)->storedState() < 0)
                    return false;
            }
            return screen->sbVacManual->state() != StateButton::State4;
        },
        3000);
}

bool VacuumPlant::received(VacuumSimulator::Controller c, const QString& command)
{
    return QTest::qWaitFor([this, c, command] { return sim.commandTexts(c).contains(command); }, 2000);
}

QStringList messageTexts(const QSignalSpy& spy)
{
    QStringList texts;
    for (const QList<QVariant>& args : spy)
        texts << args.at(0).toString();
    return texts;
}

QStringList viewTexts(QFrame* popup)
{
    QStringList texts;
    for (LockView* view : popup->findChildren<LockView*>())
        texts << view->text().trimmed();
    return texts;
}
