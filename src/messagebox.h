#pragma once

#include <QMessageBox>
#include <QString>

// Every modal message box of the console goes through this sink. The default shows a real
// QMessageBox; tests install a recorder so that no test ever blocks on a box.
class MessageBoxSink
{
public:
    virtual ~MessageBoxSink() = default;

    virtual QMessageBox::StandardButton show(QMessageBox::Icon icon, QWidget* parent,
                                             const QString& title, const QString& text,
                                             QMessageBox::StandardButtons buttons,
                                             QMessageBox::StandardButton defaultButton) = 0;

    // The sink in force: the installed one, else the one that shows real boxes.
    static MessageBoxSink& instance();

    // Installs a sink (not owned); nullptr restores the real boxes.
    static void install(MessageBoxSink* sink);
};

// Shorthands in the manner of QMessageBox's static functions.
namespace MessageBox {

QMessageBox::StandardButton critical(QWidget* parent, const QString& title, const QString& text,
                                     QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                     QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
QMessageBox::StandardButton warning(QWidget* parent, const QString& title, const QString& text,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
QMessageBox::StandardButton information(QWidget* parent, const QString& title, const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
QMessageBox::StandardButton question(QWidget* parent, const QString& title, const QString& text,
                                     QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

}  // namespace MessageBox
