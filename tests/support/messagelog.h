#pragma once

#include <QList>
#include <QPair>
#include <QStringList>
#include <QtGlobal>

#include <functional>

// The messages of the qDebug() family while it exists, whatever thread logs them, kept under a
// lock; nothing is printed. The handler that was installed before comes back at its end.
class MessageLog
{
public:
    MessageLog();
    ~MessageLog();
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    // The texts logged so far (of debug messages unless another type is asked for).
    QStringList texts(QtMsgType type = QtDebugMsg) const;
    bool contains(const QString& text) const { return texts().contains(text); }
    void clear();
    // Waits up to timeoutMs (running the events of this thread) until a debug text meets `match`.
    bool waitFor(const std::function<bool(const QString&)>& match, int timeoutMs = 2000) const;
    bool waitFor(const QString& text, int timeoutMs = 2000) const;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text);

    QList<QPair<QtMsgType, QString>> m_messages;
    QtMessageHandler m_previous = nullptr;
};
