#pragma once

#include <QPushButton>
#include <QString>
#include <QWidget>

#include <functional>

#include "modaldriver.h"

class QMenu;

// Steps for the tests of dialogs with touch-entered numbers.
namespace DialogSteps {

// A touch on a widget of the dialog; returns when the pad (or menu) it opened has closed.
void touch(ModalDialog& d, const QString& name);
// A number pad step: type the entry and confirm it with Enter.
ModalDriver::Action enter(const QString& entry);
// The same, after checking the pad's title.
ModalDriver::Action enter(const QString& title, const QString& entry);
// A number pad step: type something and close the pad through its frame.
ModalDriver::Action cancel();
// A confirmation step: checks the question (titled "Подтверждение") and answers yes or no.
ModalDriver::Action answer(const QString& question, bool yes);
// The title of the frame that hosts the dialog.
QString frameTitle(ModalDialog& d);

// Acts on the next pop-up menu that comes up (within 5 s) from the event loop; fails the test
// when none comes.
void onNextMenu(std::function<void(QMenu*)> act);
// The next pop-up menu: checks its title and entries, then chooses the entry `choice` (its text
// as shown), or closes the menu without a choice when `choice` is empty.
void chooseInNextMenu(const QString& title, const QStringList& entries, const QString& choice);

// Replaces the settings file with these bytes (hand-edited values included).
void writeSettings(const QByteArray& ini);

}  // namespace DialogSteps

// The button that opens a dialog, in a window on the screen.
struct OpeningButton {
    OpeningButton()
    {
        window.setGeometry(900, 300, 600, 200);
        button = new QPushButton(QStringLiteral("Открыть"), &window);
        button->setGeometry(500, 20, 90, 40);
        window.show();
    }
    QWidget window;
    QPushButton* button;
};
