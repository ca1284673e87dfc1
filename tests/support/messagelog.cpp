#include "messagelog.h"

#include <QtTest>

#include <algorithm>
#include <mutex>

namespace {
// The log that takes the messages, and the lock over it and its list: a thread that logs holds
// it while it appends, so that the log cannot end under it. (A standard mutex, which a thread
// sanitizer sees.)
std::mutex g_lock;
MessageLog* g_log = nullptr;
}  // namespace

MessageLog::MessageLog()
{
    {
        std::lock_guard<std::mutex> locker(g_lock);
        g_log = this;
    }
    m_previous = qInstallMessageHandler(&MessageLog::handle);
}

MessageLog::~MessageLog()
{
    qInstallMessageHandler(m_previous);
    std::lock_guard<std::mutex> locker(g_lock);
    g_log = nullptr;
}

void MessageLog::handle(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    std::lock_guard<std::mutex> locker(g_lock);
    if (g_log)
        g_log->m_messages.append({type, text});
}

QStringList MessageLog::texts(QtMsgType type) const
{
    std::lock_guard<std::mutex> locker(g_lock);
    QStringList texts;
    for (const auto& message : m_messages)
        if (message.first == type)
            texts << message.second;
    return texts;
}

void MessageLog::clear()
{
    std::lock_guard<std::mutex> locker(g_lock);
    m_messages.clear();
}

bool MessageLog::waitFor(const std::function<bool(const QString&)>& match, int timeoutMs) const
{
    return QTest::qWaitFor(
        [&] {
            const QStringList all = texts();
            return std::any_of(all.begin(), all.end(), match);
        },
        timeoutMs);
}

bool MessageLog::waitFor(const QString& text, int timeoutMs) const
{
    return waitFor([&](const QString& t) { return t == text; }, timeoutMs);
}
