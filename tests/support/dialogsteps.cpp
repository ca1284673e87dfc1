#include "dialogsteps.h"

#include <QFile>
#include <QLabel>
#include <QtTest>

#include "fixedpaths.h"
#include "myframe.h"

namespace DialogSteps {

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
