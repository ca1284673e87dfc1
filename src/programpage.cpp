#include "programpage.h"

#include <QFile>
#include <QFutureWatcher>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QtConcurrent/QtConcurrentRun>

ProgramPage::ProgramPage(QPlainTextEdit* edit) : QObject(edit), m_edit(edit)
{
    m_more.setSingleShot(true);
    m_more.setInterval(0);
    connect(&m_more, &QTimer::timeout, this, &ProgramPage::showMore);
}

void ProgramPage::load(const QString& file, std::function<void(bool)> done)
{
    dropLoading();
    m_loading = new QFutureWatcher<Read>(this);
    connect(m_loading, &QFutureWatcherBase::finished, this, [this, done = std::move(done)] {
        const Read read = m_loading->result();
        dropLoading();
        if (read.ok)
            show(read.program);
        done(read.ok);
    });
    // The worker reads its own copy of the name; its result goes nowhere once dropped.
    m_loading->setFuture(QtConcurrent::run([file] {
        Read read;
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly) || in.size() > kMaxFileBytes)
            return read;
        const QByteArray bytes = in.read(kMaxFileBytes + 1);
        if (bytes.size() > kMaxFileBytes || in.error() != QFileDevice::NoError)
            return read;
        // Channel programs are written in UTF-8, whatever the locale's encoding; a reader accepts
        // Windows line ends.
        read.program = QString::fromUtf8(bytes);
        read.program.remove(QLatin1Char('\r'));
        read.ok = true;
        return read;
    }));
}

void ProgramPage::dropLoading()
{
    // The worker runs on to its end; its result goes nowhere.
    if (m_loading) {
        disconnect(m_loading, nullptr, this, nullptr);
        m_loading->deleteLater();
    }
    m_loading = nullptr;
}

bool ProgramPage::longerThan(qint64 bytes) const
{
    if (showing())
        return m_program.size() > bytes || m_program.toUtf8().size() > bytes;
    // UTF-8 takes at least one byte for each UTF-16 unit; the count holds one more for the end.
    if (m_edit->document()->characterCount() - 1 > bytes)
        return true;
    return m_edit->toPlainText().toUtf8().size() > bytes;
}

void ProgramPage::show(const QString& program)
{
    dropLoading();
    m_more.stop();
    m_program = program;
    m_shown = 0;
    m_edit->setPlainText(nextPiece());
    if (!showing()) {
        shown();
        return;
    }
    // Pieces appended are no edit of the operator's: nothing to undo.
    m_edit->document()->setUndoRedoEnabled(false);
    m_edit->setReadOnly(true);
    m_more.start();
}

QString ProgramPage::text() const
{
    return showing() ? m_program : m_edit->toPlainText();
}

QString ProgramPage::nextPiece()
{
    int length = m_program.size() - m_shown;
    if (length > kPiece) {
        const int lineEnd = m_program.lastIndexOf(QLatin1Char('\n'), m_shown + kPiece - 1);
        length = lineEnd >= m_shown ? lineEnd + 1 - m_shown : kPiece;
    }
    const QString piece = m_program.mid(m_shown, length);
    m_shown += length;
    return piece;
}

void ProgramPage::showMore()
{
    QTextCursor end(m_edit->document());
    end.movePosition(QTextCursor::End);
    end.insertText(nextPiece());
    if (showing())
        m_more.start();
    else
        shown();
}

void ProgramPage::shown()
{
    m_program.clear();
    m_shown = 0;
    m_edit->setReadOnly(false);
    m_edit->document()->setUndoRedoEnabled(true);
}
