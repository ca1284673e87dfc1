#include <csignal>
#include <cstdio>
#include <memory>

#include <QApplication>

#include "consolefont.h"
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

    installConsoleFont();
    auto window = std::make_unique<Gui>();
    QApplication::setStyle(new MyWinStyle);
    window->setWindowTitle(QStringLiteral("Программа управления KAVRO"));
    if (!window->autorizationAccepted())
        return 0;  // the window's destructor runs: settings, users file and operator log are written

    window->show();
    const int result = app.exec();
    window.reset();
    return result;
}
