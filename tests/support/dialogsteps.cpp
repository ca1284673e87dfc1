#include "dialogsteps.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QtTest>

#include "fixedpaths.h"
#include "myframe.h"

namespace DialogSteps {

void onNextMenu(std::function<void(QMenu*)> act)
{
    auto* timer = new QTimer;
    auto* waited = new QElapsedTimer;
    waited->start();
    QObject::connect(timer, &QTimer::timeout, [timer, waited, act] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu && waited->elapsed() < 5000)
            return;
        timer->stop();
        timer->deleteLater();
        delete waited;
        if (menu)
            act(menu);
        else
            QFAIL("no menu came up");
    });
    timer->start(10);
}

ModalDriver::Action answer(const QString& question, bool yes)
{
    return [question, yes](ModalDialog& d) {
        QCOMPARE(frameTitle(d), QStringLiteral("Подтверждение"));
        QCOMPARE(d.text(QStringLiteral("lblText")), question);
        d.click(yes ? QStringLiteral("pbYes") : QStringLiteral("pbNo"));
    };
}

void chooseInNextMenu(const QString& title, const QStringList& entries, const QString& choice)
{
    onNextMenu([title, entries, choice](QMenu* menu) {
        QStringList shown;
        for (const QAction* action : menu->actions())
            shown << action->text();
        // Close the menu before a check can fail, so that its exec() returns.
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions())
            chosen = action->text() == choice ? action : chosen;
        if (chosen) {
            menu->setActiveAction(chosen);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            QTest::keyClick(menu, Qt::Key_Escape);
        }
        QCOMPARE(menu->title(), title);
        QCOMPARE(shown, entries);
        QCOMPARE(menu->font().pixelSize(), 20);
        QVERIFY(menu->font().bold());
        QVERIFY(choice.isEmpty() || chosen);
    });
}

void touch(ModalDialog& d, const QString& name)
{
    if (QWidget* widget = d.widget(name))
        QTest::mouseClick(widget, Qt::LeftButton);
}

ModalDriver::Action enter(const QString& entry)
{
    return [entry](ModalDialog& pad) {
        pad.type(entry);
        pad.click(QStringLiteral("pbEnter"));
    };
}

ModalDriver::Action enter(const QString& title, const QString& entry)
{
    return [title, entry](ModalDialog& pad) {
        QCOMPARE(frameTitle(pad), title);
        pad.type(entry);
        pad.click(QStringLiteral("pbEnter"));
    };
}

ModalDriver::Action cancel()
{
    return [](ModalDialog& pad) {
        pad.type(QStringLiteral("7"));
        pad.clickFrameClose();
    };
}

QString frameTitle(ModalDialog& d)
{
    auto* frame = qobject_cast<MyFrame*>(d.window());
    return frame ? frame->titleLabel()->text() : QString();
}

void writeSettings(const QByteArray& ini)
{
    QFile file(FixedPaths::settingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(ini);
}

}  // namespace DialogSteps
