#pragma once

#include <QDialog>
#include <QString>

// A red box that shows one alarm text; the constructor runs it modally and returns when the
// operator has closed its frame.
class AlarmDialog : public QDialog
{
    Q_OBJECT

public:
    AlarmDialog(const QString& text, QWidget* parent);
};
