// The weld program editor's three channel pages: the NC program of each channel is opened from
// and saved to the channel's folder, and run on its channel by hand. A manual run of channel 1 is
// recorded in a weld passport.

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <algorithm>

#include "contour.h"
#include "drivecomm.h"
#include "drivecommand.h"
#include "filemanager.h"
#include "fixedpaths.h"
#include "gui.h"
#include "npgprogram.h"
#include "programpage.h"
#include "weldprogram.h"

namespace {

const QString kSuffix = QStringLiteral(".npg");

// The file a manual run of the channel writes, as the controller names it.
QString runFile(int channel)
{
    return CONTOUR::s_prgDir + (channel == 1 ? QStringLiteral("_temp.npg") : QStringLiteral("_temp%1.npg").arg(channel));
}

}  // namespace

CONTOUR::ChannelPage CONTOUR::channelPage(int channel)
{
    switch (channel) {
    case 1:
        return {lbProgName1, m_pages[0], pbPrgOpen_1, pbPrgSave_1};
    case 2:
        return {lbProgName2, m_pages[1], pbPrgOpen_2, pbPrgSave_2};
    default:
        return {lbProgName3, m_pages[2], pbPrgOpen_3, pbPrgSave_3};
    }
}

ProgramPage* CONTOUR::pageOf(const QPlainTextEdit* edit) const
{
    for (ProgramPage* page : m_pages) {
        if (page->edit() == edit)
            return page;
    }
    return nullptr;
}

QString CONTOUR::pageProgram(int channel) const
{
    return m_pages[std::clamp(channel, 1, 3) - 1]->text();
}

bool CONTOUR::loadFile(const QString& name, const QString& path, QLabel* label, QPlainTextEdit* edit)
{
    ProgramPage* page = pageOf(edit);
    const QString file = FixedPaths::local(path + kSuffix);
    QFile in(file);
    if (!page || !in.open(QIODevice::ReadOnly))
        return false;
    // Longer than a controller runs is still shown (only its start is refused), up to what a page
    // shows while the window keeps answering.
    if (in.size() > ProgramPage::kMaxFileBytes) {
        warn(QStringLiteral("Программа ЧПУ не загружена: файл %1.npg длиннее %2 МБ, которые показывает страница канала")
                 .arg(name)
                 .arg(ProgramPage::kMaxFileBytes >> 20));
        return false;
    }
    in.close();
    page->load(file, [this, name, label](bool shown) {
        if (!shown) {
            warn(QStringLiteral("Программа ЧПУ не загружена: не удалось прочитать файл %1.npg").arg(name));
            return;
        }
        emit message(QStringLiteral("[I]Выполнена загрузка программы ЧПУ из файла %1.npg").arg(name), true);
        label->setText(name);
    });
    return true;
}

bool CONTOUR::saveFile(const QString& name, const QString& path, QLabel* label, QPlainTextEdit* edit)
{
    const ProgramPage* page = pageOf(edit);
    const QString program = page ? page->text() : edit->toPlainText();
    // The operator's program stays whole until the new one is: written beside it and renamed over
    // it, in place only where the folder takes no new file.
    if (!NpgProgram::write(path + kSuffix, program.toUtf8(), Replace::BesideWherePossible)) {
        warn(QStringLiteral("Программа ЧПУ не сохранена: не удалось записать файл %1.npg").arg(name));
        return false;
    }
    emit message(QStringLiteral("[I]Программа ЧПУ сохранена в файле %1.npg").arg(name), true);
    label->setText(name);
    return true;
}

void CONTOUR::programDialog(int channel, bool open)
{
    emit message(QStringLiteral("[I]Нажата кнопка '%1' панели 'Канал %2'")
                     .arg(open ? QStringLiteral("Загрузить программу ЧПУ") : QStringLiteral("Сохранить программу ЧПУ"))
                     .arg(channel),
                 false);
    const ChannelPage page = channelPage(channel);
    FileManager dialog(open ? page.open : page.save, s_prgDir + QStringLiteral("ch%1/").arg(channel), kSuffix, open);
    if (dialog.exec() != 1)
        return;
    if (open)
        loadFile(dialog.name, dialog.path, page.label, page.page->edit());
    else
        saveFile(dialog.name, dialog.path, page.label, page.page->edit());
}

void CONTOUR::runProgram(int channel)
{
    emit message(QStringLiteral("[I]Нажата кнопка 'Пуск программы' панели 'Канал %1'").arg(channel), false);
    const Start page[] = {Start::Channel1, Start::Channel2, Start::Channel3};
    if (refused(page[std::clamp(channel, 1, 3) - 1], ContourSnapshot()))
        return;
    const QString file = runFile(channel);
    const QByteArray program = pageProgram(channel).toUtf8();
    // The controller reads the file once the command has arrived: it is whole before it leaves.
    if (!NpgProgram::write(file, program)) {
        emit message(NpgProgram::notWritten(file), true);
        return;
    }
    const QString command = DriveCommand::startChannel(channel);
    // A command that does not leave is reported by the main window ("[W]"); the run did not start.
    if (!m_gui) {
        warn(QStringLiteral("Команда %1 не отправлена: нет связи с ЧПУ").arg(command));
        return;
    }
    if (!m_gui->drives()->command(command))
        return;
    if (channel == 1) {
        m_fullRun = false;
        startPassport();
    }
}

void CONTOUR::on_pbPrgOpen_1_clicked() { programDialog(1, true); }
void CONTOUR::on_pbPrgOpen_2_clicked() { programDialog(2, true); }
void CONTOUR::on_pbPrgOpen_3_clicked() { programDialog(3, true); }
void CONTOUR::on_pbPrgSave_1_clicked() { programDialog(1, false); }
void CONTOUR::on_pbPrgSave_2_clicked() { programDialog(2, false); }
void CONTOUR::on_pbPrgSave_3_clicked() { programDialog(3, false); }
void CONTOUR::on_pbRun_clicked() { runProgram(1); }
void CONTOUR::on_pbRun_2_clicked() { runProgram(2); }
void CONTOUR::on_pbRun_3_clicked() { runProgram(3); }
