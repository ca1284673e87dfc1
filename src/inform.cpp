#include "inform.h"

#include "myframe.h"
#include "runner.h"

const char* const Inform::Viewer = "okular";
const char* const Inform::ManualFile = "РЭ_1.pdf";
const char* const Inform::OperatorFile = "РЭ_2.pdf";

Inform::Inform(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setMouseTracking(true);

    // Centred on the 1920 × 1200 screen.
    const QPoint corner((MyFrame::ScreenWidth - 1 - (width() - 1)) / 2,
                        (MyFrame::ScreenHeight - 1 - (height() - 1)) / 2);
    move(parent ? parent->mapToGlobal(corner) : corner);
    show();
}

// A missing viewer or manual shows nothing: the dialog simply stays open.
void Inform::on_pbManual_clicked()
{
    ProgramRunner::instance().startDetached(QString::fromUtf8(Viewer), {QString::fromUtf8(ManualFile)});
}

void Inform::on_pbOperator_clicked()
{
    ProgramRunner::instance().startDetached(QString::fromUtf8(Viewer), {QString::fromUtf8(OperatorFile)});
}

void Inform::on_pbClose_clicked()
{
    reject();
}
