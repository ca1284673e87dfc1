#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include "ui_filemanager.h"

class QListWidgetItem;

// The touch file dialog: the folders and the program files of one suffix in one folder, with
// Load (open mode) or Save and Save-as (save mode), and Delete. It reads and writes no program:
// after an accepted exec() the caller takes `name` and `path` (both without the suffix) and
// appends the suffix itself. Deleting a listed file, after a question, is the one file operation
// it performs.
//
// Folders and paths are the installation's own ("/programs/ch1/"); the dialog lists the folder
// through FixedPaths, and a caller that reads or writes `path` + suffix does the same. The list
// holds programs only, and in ".npg" mode the channel folders "ch1" to "ch3" of the programs
// root, which open with a double click from wherever the dialog stands.
class FileManager : public QDialog
{
    Q_OBJECT

public:
    FileManager(QWidget* parent, QString folder, QString suffix, bool open);
    ~FileManager() override;

    // Fills the list: in ".npg" mode the channel folders (but the one shown), then the programs
    // sorted by name ignoring case, each shown without its suffix.
    void RefreshFolder();
    // Delete, Save and Load act only on a current program.
    void updateButtons();

    // The folder shown (an installation path ending in "/").
    QString folder() const { return m_folder; }

    // Unused axis names kept with the dialog.
    static const QStringList m_axisNames;

    // Results of an accepted exec(): the chosen program name, and the folder + name.
    QString name;
    QString path;

private slots:
    void on_pbDelete_clicked();
    void on_pbLoad_clicked();
    void on_pbSave_clicked();
    void on_leSaveAsNewProgName_returnPressed();
    void on_listWidget_prog_itemDoubleClicked(QListWidgetItem* item);
    void on_listWidget_prog_itemClicked();

private:
    QListWidgetItem* chosenItem() const;
    void choose(const QString& chosen);
    bool confirmOverwrite(const QString& shownName, QWidget* asking);
    QString fileOf(const QString& shownName) const;

    Ui::FileManager ui;
    QString m_folder;
    QString m_suffix;
    bool m_open;
};
