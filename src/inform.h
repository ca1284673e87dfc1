#pragma once

#include <QDialog>

#include "ui_inform.h"

// The "about" dialog of the main window: which installation this is and who made it, and the two
// manuals, opened in the desktop PDF viewer. Frameless, in the middle of the screen.
class Inform : public QDialog, private Ui::Inform
{
    Q_OBJECT

public:
    explicit Inform(QWidget* parent);

    // The viewer and the manuals it is started with ("РЭ_1.pdf", "РЭ_2.pdf"), relative to the
    // console's working folder.
    static const char* const Viewer;
    static const char* const ManualFile;
    static const char* const OperatorFile;

private slots:
    void on_pbManual_clicked();
    void on_pbOperator_clicked();
    void on_pbClose_clicked();
};
