#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

// One designer form of the console, built onto a fresh widget of its root class.
struct FormEntry {
    QString file;  // "axisinfo.ui"
    std::function<std::unique_ptr<QWidget>()> build;
};

// Builds the form class `Ui` onto a new widget of the class its setupUi() takes.
template <class Ui, class Root>
std::unique_ptr<QWidget> buildFormOnto(void (Ui::*setupUi)(Root*))
{
    auto root = std::make_unique<Root>();
    Ui ui;
    (ui.*setupUi)(root.get());
    return root;
}

template <class Ui>
std::unique_ptr<QWidget> buildForm()
{
    return buildFormOnto(&Ui::setupUi);
}

// Every form of forms/ (written at configure time by tests/tst_captions.cmake).
QList<FormEntry> allForms();
