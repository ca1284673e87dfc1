#include <csignal>
#include <cstdio>
#include <memory>

#include <QApplication>

#include "consolefont.h"
#include "exitsignals.h"
#include "gui.h"
#include "mywinstyle.h"
#include "singleinstance.h"

int main(int argc, char* argv[])
{
    // A controller that drops its end of a link must not end the console: a failed send is
    // reported by the link, never by a signal.
    std::signal(SIGPIPE, SIG_IGN);

    QApplication app(argc, argv);
    if (!checkSingleInstance()) {
        std::fputs("poKAVRO already running\n", stderr);
        return -1;
    }

    // A shutdown, a closed terminal or Ctrl+C leaves the program as its exit button does. One
    // that comes while the window is being built (a box about the users file waits for the
    // operator there) ends that wait, and the window leaves as soon as it stands.
    ExitSignals exitSignals;
    std::unique_ptr<Gui> window;
    int signalWhileBuilding = 0;
    QObject::connect(&exitSignals, &ExitSignals::caught, [&window, &signalWhileBuilding](int signalNumber) {
        if (window) {
            window->leaveBySignal(signalNumber);
        } else {
            signalWhileBuilding = signalNumber;
            QCoreApplication::exit(0);
        }
    });

    installConsoleFont();
    window = std::make_unique<Gui>();
    QApplication::setStyle(new MyWinStyle);
    window->setWindowTitle(QStringLiteral("Программа управления KAVRO"));
    if (signalWhileBuilding != 0)
        window->leaveBySignal(signalWhileBuilding);

    // A signal during the login ends it as a cancel does (and one that comes with the operator's
    // Enter still ends the program).
    int result = 0;
    if (window->autorizationAccepted() && exitSignals.caughtSignal() == 0) {
        window->show();
        result = app.exec();
    }
    // The window's destructor runs: settings, users file and operator log are written. The first
    // signal, should it come only now, finds no window: it just ends any box that waits.
    window.reset();
    return result;
}
