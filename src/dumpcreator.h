#pragma once

#include <QString>
#include <QThread>
#include <QtGlobal>
#include <atomic>

// The raw process dump of one program start.
//
// A worker thread that writes a block of ten floats of its owner into the folder given by
// setDumpPath, one 44-byte record about every 50 ms from startDump until stopDump: a signed
// 32-bit count of milliseconds since the file was opened, then the ten floats, little-endian and
// without gaps. The file is named by the start time ("dd.MM.yyyy_hh.mm.ss.dump", with "_1",
// "_2", ... before ".dump" when a dump of the same second already exists); it is 0777 while it is
// written and 0444 once the dump has stopped, and it only ever holds whole records.
//
// The stop request is never withdrawn: a stop that arrives before the thread has opened its file
// ends the thread without a file. The owner stops the dump and waits for the thread before the
// block goes away; destroying the object does both.
class DumpCreator : public QThread
{
    Q_OBJECT

public:
    static constexpr int kValueCount = 10;
    static constexpr int kPeriodMs = 50;

    // One record of the file, exactly as it is written.
    struct Record {
        qint32 time;
        float values[kValueCount];
    };
    static_assert(sizeof(Record) == 44, "a dump record is 44 bytes without gaps");

    // values: the owner's block of kValueCount floats; it must outlive the thread.
    explicit DumpCreator(const float* values, QObject* parent = nullptr);
    ~DumpCreator() override;

public slots:
    void setDumpPath(const QString& newDumpPath);
    void startDump();
    void stopDump();

protected:
    void run() override;

private:
    const float* const m_values;
    QString m_dumpPath;
    std::atomic<bool> m_stop{false};
    Record m_record{};
};
