#include "messagebox.h"

namespace {

class RealBoxes final : public MessageBoxSink
{
public:
    QMessageBox::StandardButton show(QMessageBox::Icon icon, QWidget* parent, const QString& title,
                                     const QString& text, QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton) override
    {
        QMessageBox box(icon, title, text, buttons, parent);
        box.setDefaultButton(defaultButton);
        const int result = box.exec();
        return static_cast<QMessageBox::StandardButton>(result);
    }
};

MessageBoxSink* g_installed = nullptr;

}  // namespace

MessageBoxSink& MessageBoxSink::instance()
{
    static RealBoxes real;
    return g_installed ? *g_installed : real;
}

void MessageBoxSink::install(MessageBoxSink* sink) { g_installed = sink; }

namespace MessageBox {

QMessageBox::StandardButton critical(QWidget* parent, const QString& title, const QString& text,
                                     QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton)
{
    return MessageBoxSink::instance().show(QMessageBox::Critical, parent, title, text, buttons,
                                           defaultButton);
}

QMessageBox::StandardButton warning(QWidget* parent, const QString& title, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton)
{
    return MessageBoxSink::instance().show(QMessageBox::Warning, parent, title, text, buttons,
                                           defaultButton);
}

QMessageBox::StandardButton information(QWidget* parent, const QString& title, const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton)
{
    return MessageBoxSink::instance().show(QMessageBox::Information, parent, title, text, buttons,
                                           defaultButton);
}

QMessageBox::StandardButton question(QWidget* parent, const QString& title, const QString& text,
                                     QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton)
{
    return MessageBoxSink::instance().show(QMessageBox::Question, parent, title, text, buttons,
                                           defaultButton);
}

}  // namespace MessageBox
