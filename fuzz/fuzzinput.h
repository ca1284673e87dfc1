#pragma once

// Shared by the harnesses and the seed writer: how a fuzzer's input is cut into records, and the
// check that stops a harness on a broken promise of the code under test.

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Aborts (so that libFuzzer keeps the input) when a promise of the code under test is broken.
#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (false)

namespace FuzzInput {

// A run of records, each a u16 little-endian length and that many bytes; the last record may be
// cut short by the end of the input.
class Records
{
public:
    Records(const uint8_t* data, size_t size) : m_data(data), m_left(size) {}

    bool next(QByteArray& record)
    {
        if (m_left < 2)
            return false;
        size_t length = size_t(m_data[0]) | size_t(m_data[1]) << 8;
        m_data += 2;
        m_left -= 2;
        if (length > m_left)
            length = m_left;
        record = QByteArray(reinterpret_cast<const char*>(m_data), int(length));
        m_data += length;
        m_left -= length;
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_left;
};

inline void appendRecord(QByteArray& out, const QByteArray& record)
{
    out.append(char(record.size() & 0xff)).append(char((record.size() >> 8) & 0xff)).append(record);
}

}  // namespace FuzzInput
