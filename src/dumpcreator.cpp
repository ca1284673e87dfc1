#include "dumpcreator.h"

#include <QDateTime>
#include <QFile>
#include <cstring>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
              "dump records are written as they lie in memory and must be little-endian");

namespace {

constexpr QFileDevice::Permissions kWhileWriting =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
    QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
    QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
constexpr QFileDevice::Permissions kFinished =
    QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;

// How many dumps of one and the same second get a name of their own.
constexpr int kMaxSameSecond = 1000;

}  // namespace

DumpCreator::DumpCreator(const float* values, QObject* parent) : QThread(parent), m_values(values)
{
}

DumpCreator::~DumpCreator()
{
    stopDump();
    wait();
}

void DumpCreator::setDumpPath(const QString& newDumpPath)
{
    m_dumpPath = newDumpPath + QLatin1Char('/');
}

void DumpCreator::startDump()
{
    start(QThread::InheritPriority);
}

void DumpCreator::stopDump()
{
    m_stop.store(true);
}

void DumpCreator::run()
{
    if (m_stop.load())
        return;

    // A new file every start: an earlier dump of the same second is never overwritten.
    const QString base =
        m_dumpPath + QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy_hh.mm.ss"));
    QFile file;
    for (int n = 0;; ++n) {
        file.setFileName(n == 0 ? base + QStringLiteral(".dump")
                                : base + QStringLiteral("_%1.dump").arg(n));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            break;
        // No folder, no right to write there: the console runs on without a dump.
        if (!file.exists() || n + 1 >= kMaxSameSecond)
            return;
    }
    file.setPermissions(kWhileWriting);

    const qint64 t0 = QDateTime::currentMSecsSinceEpoch();
    qint64 whole = 0;
    for (;;) {
        const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - t0;
        m_record.time = qint32(quint32(quint64(elapsed)));
        std::memcpy(m_record.values, m_values, sizeof m_record.values);
        const qint64 written =
            file.write(reinterpret_cast<const char*>(&m_record), qint64(sizeof m_record));
        if (written != qint64(sizeof m_record)) {
            // Disk full or a write error: keep the whole records written so far and stop.
            file.resize(whole);
            break;
        }
        whole += written;
        msleep(kPeriodMs);
        if (m_stop.load())
            break;
    }
    file.setPermissions(kFinished);
    file.close();
}
