#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QPlainTextEdit;

// The NC program on a channel page of the weld program editor. A long program is not laid out at
// once: the page shows its beginning at once and takes the rest a piece at a time, one piece per
// turn of the event loop, so that the window keeps answering. Until the last piece is in the page
// is read-only and text() is the whole program.
class ProgramPage : public QObject
{
    Q_OBJECT

public:
    // Characters (about) of one piece: whole lines up to this length.
    static constexpr int kPiece = 64 * 1024;

    explicit ProgramPage(QPlainTextEdit* edit);

    // Shows `program` in place of what the page holds.
    void show(const QString& program);
    // The page's program: what it shows, or the whole program while it is still being shown.
    QString text() const;
    // Part of the program is still to come.
    bool showing() const { return m_shown < m_program.size(); }
    QPlainTextEdit* edit() const { return m_edit; }

private:
    // The next piece of the program: whole lines where there is a line end.
    QString nextPiece();
    void showMore();
    // The whole program is on the page: it is the operator's to edit again.
    void shown();

    QPlainTextEdit* const m_edit;
    QString m_program;   // the whole program while it is being shown
    int m_shown = 0;     // characters of it on the page
    QTimer m_more;
};
