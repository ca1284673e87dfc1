#include "filemanager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidgetItem>

#include "confirm.h"
#include "fixedpaths.h"
#include "myframe.h"

namespace {

// The programs root, which holds the channel folders of the ".npg" mode.
const QString s_prgDir = QString::fromLatin1(FixedPaths::kProgramDir);

const QString kNewNameCaption = QStringLiteral("ИМЯ НОВОГО ФАЙЛА");
const QString kQuestionTitle = QStringLiteral("Подтверждение");
constexpr int kQuestionSeconds = 5;

// The listed file of a program item; folders have none.
constexpr int FileNameRole = Qt::UserRole;
// The folder a folder item opens (an installation path ending in "/").
constexpr int FolderRole = Qt::UserRole + 1;

const QStringList kChannelFolders{QStringLiteral("ch1"), QStringLiteral("ch2"), QStringLiteral("ch3")};

bool isDotEntry(const QString& text)
{
    return text == QLatin1String(".") || text == QLatin1String("..");
}

}  // namespace

const QStringList FileManager::m_axisNames{"LX", "LY", "A", "B", "C", "D", "U1", "V"};

FileManager::FileManager(QWidget* parent, QString folder, QString suffix, bool open)
    : QDialog(parent), m_folder(std::move(folder)), m_suffix(std::move(suffix)), m_open(open)
{
    ui.setupUi(this);
    ui.frmSaveAsNewProg->hide();

    const QString title = m_open ? QStringLiteral("Открытие файла") : QStringLiteral("Сохранение файла");
    const QPoint at = parent ? parent->mapToGlobal(QPoint(0, 0)) + QPoint(0, parent->height())
                             : QPoint(0, 0);
    new MyFrame(title, at.x(), at.y(), 1, this, parent, true, true);

    ui.pbDelete->move(410, m_open ? 90 : 170);
    ui.pbLoad->setVisible(m_open);
    ui.pbSave->setVisible(!m_open);
    ui.pbSave_as->setVisible(!m_open);

    connect(ui.pbSave_as, &QPushButton::clicked, this, [this] {
        ui.frmSaveAsNewProg->show();
        ui.leSaveAsNewProgName->setFocus();
    });

    updateButtons();
    RefreshFolder();
}

FileManager::~FileManager() = default;

void FileManager::RefreshFolder()
{
    ui.listWidget_prog->clear();
    const QDir dir(FixedPaths::local(m_folder));
    const QDir::SortFlags byName = QDir::Name | QDir::IgnoreCase;

    // Only the folders the dialog opens are listed: in ".npg" mode ".." back to the programs root
    // (which holds the generated programs) from a channel folder, and the channel folders of the
    // programs root, from wherever the dialog stands (the folder shown itself aside). "." and any
    // other folder would only be chosen as a program that does not exist.
    if (m_suffix == QLatin1String(".npg") && dir.exists()) {
        const QDir root(FixedPaths::local(s_prgDir));
        if (m_folder != s_prgDir && m_folder.startsWith(s_prgDir) && root.exists()) {
            auto* item = new QListWidgetItem(QStringLiteral(".."), ui.listWidget_prog);
            item->setData(FolderRole, s_prgDir);
        }
        for (const QString& channel : kChannelFolders) {
            const QString folder = s_prgDir + channel + QLatin1Char('/');
            if (folder != m_folder && root.exists(channel)) {
                auto* item = new QListWidgetItem(channel, ui.listWidget_prog);
                item->setData(FolderRole, folder);
            }
        }
    }

    // The filter is matched case-sensitively, and only a trailing suffix is removed, so that every
    // listed program stands for exactly one file: "x.npg.npg" is listed as "x.npg", "X.NPG" not at all.
    const QStringList filters = (QLatin1Char('*') + m_suffix).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList files = dir.entryList(filters, QDir::Files | QDir::CaseSensitive, byName);
    for (const QString& file : files) {
        QString shown = file;
        if (!m_suffix.isEmpty() && shown.endsWith(m_suffix))
            shown.chop(m_suffix.size());
        auto* item = new QListWidgetItem(shown, ui.listWidget_prog);
        item->setData(FileNameRole, file);
    }
    // The list has no current item now: the buttons must not act on the old one.
    updateButtons();
}

QListWidgetItem* FileManager::chosenItem() const
{
    // Only a program can be loaded, saved over or deleted; a folder is opened.
    QListWidgetItem* item = ui.listWidget_prog->currentItem();
    return item && !item->data(FileNameRole).toString().isEmpty() ? item : nullptr;
}

void FileManager::updateButtons()
{
    const bool chosen = chosenItem() != nullptr;
    ui.pbDelete->setEnabled(chosen);
    ui.pbSave->setEnabled(chosen);
    ui.pbLoad->setEnabled(chosen);
}

void FileManager::on_listWidget_prog_itemClicked()
{
    updateButtons();
}

void FileManager::choose(const QString& chosen)
{
    name = chosen;
    path = m_folder + chosen;
    accept();
}

bool FileManager::confirmOverwrite(const QString& shownName, QWidget* asking)
{
    Confirm question(kQuestionTitle, QStringLiteral("Перезаписать файл ") + shownName + QLatin1Char('?'),
                     asking, kQuestionSeconds);
    return question.exec() == QDialog::Accepted;
}

QString FileManager::fileOf(const QString& shownName) const
{
    return FixedPaths::local(m_folder) + shownName + m_suffix;
}

void FileManager::on_pbLoad_clicked()
{
    if (QListWidgetItem* item = chosenItem())
        choose(item->text());
}

void FileManager::on_pbSave_clicked()
{
    QListWidgetItem* item = chosenItem();
    if (!item)
        return;
    const QString chosen = item->text();
    if (confirmOverwrite(chosen, ui.pbSave))
        choose(chosen);
}

void FileManager::on_leSaveAsNewProgName_returnPressed()
{
    ui.lblSaveAsNewProg->setText(kNewNameCaption);
    const QString typed = ui.leSaveAsNewProgName->text();
    // A new name is one plain file name in this folder: the frame stays open for anything else.
    if (typed.isEmpty() || isDotEntry(typed) || typed.contains(QLatin1Char('/'))) {
        ui.leSaveAsNewProgName->selectAll();
        ui.leSaveAsNewProgName->setFocus();
        return;
    }
    // A new name that is an existing program is an overwrite like any other.
    if (QFileInfo::exists(fileOf(typed)) && !confirmOverwrite(typed, ui.leSaveAsNewProgName))
        return;
    choose(typed);
}

void FileManager::on_pbDelete_clicked()
{
    QListWidgetItem* item = chosenItem();
    if (!item)
        return;
    const QString shown = item->text();
    // Only the listed file behind the item is removed.
    const QString file = item->data(FileNameRole).toString();
    Confirm question(kQuestionTitle, QStringLiteral("Удалить файл ") + shown + QLatin1Char('?'),
                     ui.pbDelete, kQuestionSeconds);
    if (question.exec() != QDialog::Accepted)
        return;
    QFile::remove(FixedPaths::local(m_folder) + file);
    RefreshFolder();
}

void FileManager::on_listWidget_prog_itemDoubleClicked(QListWidgetItem* item)
{
    if (!item)
        return;
    const QString folder = item->data(FolderRole).toString();
    if (!folder.isEmpty()) {
        m_folder = folder;
        RefreshFolder();
        return;
    }
    if (item->data(FileNameRole).toString().isEmpty())
        return;
    const QString text = item->text();
    // A double click chooses as the dialog's own button does: in save mode after the same
    // overwrite question.
    if (m_open)
        choose(text);
    else if (confirmOverwrite(text, ui.pbSave))
        choose(text);
}
