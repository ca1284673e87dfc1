#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QPlainTextEdit;
template <typename T>
class QFutureWatcher;

// The NC program on a channel page of the weld program editor. A long program is not laid out at
// once: the page shows its beginning at once and takes the rest a piece at a time, one piece per
// turn of the event loop, so that the window keeps answering. Until the last piece is in the page
// is read-only and text() is the whole program. A program file is read off the GUI thread.
class ProgramPage : public QObject
{
    Q_OBJECT

public:
    // Characters (about) of one piece: whole lines up to this length.
    static constexpr int kPiece = 64 * 1024;

    explicit ProgramPage(QPlainTextEdit* edit);

    // The most bytes of a program file the page opens: four times what a controller runs, read
    // and shown while the window keeps answering.
    static constexpr qint64 kMaxFileBytes = 8 * 1024 * 1024;

    // Shows `program` in place of what the page holds (a file being read is dropped).
    void show(const QString& program);
    // Reads the program file `file` (UTF-8; where the console reaches it) on a worker thread and
    // shows it once it is there; `done` follows on this thread, true when the program is shown,
    // false when the file could not be read (the page is as it was). A file still being read is
    // dropped, its `done` is never called.
    void load(const QString& file, std::function<void(bool)> done);
    // A file is being read.
    bool loading() const { return m_loading != nullptr; }
    // Whether the page's program is longer than `bytes` in UTF-8 (measured without copying a
    // document that is clearly longer).
    bool longerThan(qint64 bytes) const;
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
    void dropLoading();

    QPlainTextEdit* const m_edit;
    QString m_program;   // the whole program while it is being shown
    int m_shown = 0;     // characters of it on the page
    QTimer m_more;
    struct Read {
        bool ok = false;
        QString program;
    };
    QFutureWatcher<Read>* m_loading = nullptr;
};
