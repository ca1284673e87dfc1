#include "alarmdialog.h"

#include <QLabel>

#include "myframe.h"

AlarmDialog::AlarmDialog(const QString& text, QWidget* parent) : QDialog(parent)
{
    resize(300, 300);
    auto* label = new QLabel(text, this);
    label->setGeometry(0, 0, 300, 300);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::red);
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    QFont font = label->font();
    font.setPixelSize(30);
    font.setBold(true);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);

    // The dialog itself in the middle of the 1920 × 1200 screen.
    new MyFrame(QStringLiteral("Внимание!!!"), (MyFrame::ScreenWidth - 1 - 299) / 2,
                (MyFrame::ScreenHeight - 1 - 299) / 2, 1, this, parent, true, true);
    exec();
}
