#include "programpage.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

ProgramPage::ProgramPage(QPlainTextEdit* edit) : QObject(edit), m_edit(edit)
{
    m_more.setSingleShot(true);
    m_more.setInterval(0);
    connect(&m_more, &QTimer::timeout, this, &ProgramPage::showMore);
}

void ProgramPage::show(const QString& program)
{
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
