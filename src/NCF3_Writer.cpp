#include "NCF3_Writer.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <limits>

namespace NovCertFormat3 {

namespace {

constexpr int kMaxU16 = std::numeric_limits<quint16>::max();

void appendU8(QByteArray& out, quint8 value)
{
    out.append(char(value));
}

void appendU16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void appendU32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

// The text in UTF-8, cut to at most maxBytes at a character boundary.
QByteArray utf8Within(const QString& text, int maxBytes)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= maxBytes)
        return bytes;
    int end = maxBytes;
    while (end > 0 && (quint8(bytes.at(end)) & 0xC0) == 0x80)
        --end;  // bytes[end] continues a character that began before it
    bytes.truncate(end);
    return bytes;
}

// How many of count items a u16 field can say.
int u16Count(int count)
{
    return std::min(count, kMaxU16);
}

}  // namespace

Writer::Writer(AbstractErrorHandler* handler, const QString& fileName, unsigned int id,
               QObject* parent)
    : QObject(parent), m_handler(handler), m_file(fileName), m_id(id)
{
    m_timer.setInterval(kSamplePeriodMs);
    connect(&m_timer, &QTimer::timeout, this, &Writer::OnTimeout);
    connect(&m_timer, &QTimer::timeout, this, &Writer::OnUpdate);
}

Writer::~Writer()
{
    Stop();
}

bool Writer::Start()
{
    Stop();

    // Unbuffered, so that a write that does not reach the file is seen at once and whole.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        reportError(ErrorOpen);
        return false;
    }

    const QByteArray header = buildHeader();
    if (m_file.write(header) != header.size()) {
        reportError(ErrorHeader);
        return false;
    }
    m_whole = header.size();
    m_recording = true;
    m_timer.start();
    return true;
}

void Writer::Stop()
{
    m_timer.stop();
    m_recording = false;
    if (m_file.isOpen())
        m_file.close();
}

void Writer::OnTimeout()
{
    if (!m_recording)
        return;
    if (!layoutUnchanged()) {
        reportError(ErrorSample);
        return;
    }

    QByteArray sample(4 * m_sampleCount, Qt::Uninitialized);
    char* at = sample.data();
    const int plots = u16Count(m_layoutPlots.size());
    for (int p = 0; p < plots; ++p) {
        const QVector<const Graph*>& graphs = m_layoutGraphs.at(p);
        const int count = u16Count(graphs.size());
        for (int g = 0; g < count; ++g) {
            const float value = graphs.at(g)->GetValue();
            quint32 bits;
            std::memcpy(&bits, &value, 4);
            qToLittleEndian(bits, at);
            at += 4;
        }
    }
    if (m_file.write(sample) == sample.size()) {
        m_whole += sample.size();
        return;
    }
    // A piece of a record would shift every later sample: cut the file back to its last whole
    // record. Should even that fail, the file cannot be kept readable and sampling ends.
    reportError(ErrorSample);
    if (!m_file.resize(m_whole))
        m_recording = false;
}

QByteArray Writer::buildHeader()
{
    m_layoutPlots.clear();
    m_layoutGraphs.clear();
    m_sampleCount = 0;
    for (const Plot* plot : m_plots.GetItems()) {
        m_layoutPlots.append(plot);
        QVector<const Graph*> graphs;
        for (const Graph* graph : plot->Graphs().GetItems())
            graphs.append(graph);
        m_layoutGraphs.append(graphs);
    }

    QByteArray out;
    const int blocks = u16Count(m_blocks.Count());
    const int plots = u16Count(m_layoutPlots.size());
    appendU16(out, kMagic);
    appendU16(out, kVersion);
    appendU16(out, quint16(blocks));
    appendU16(out, quint16(plots));
    appendU32(out, m_id);

    // A block's lengths are u32 fields: a QByteArray (under 2 GiB) always fits them.
    auto block = m_blocks.GetItems().cbegin();
    for (int b = 0; b < blocks; ++b, ++block) {
        const QByteArray name = (*block)->GetName().toUtf8();
        const QByteArray value = (*block)->GetValue().toUtf8();
        appendU32(out, quint32(name.size()));
        appendU32(out, quint32(value.size()));
        out.append(name);
        out.append(value);
    }

    for (int p = 0; p < plots; ++p) {
        const Plot* plot = m_layoutPlots.at(p);
        const QVector<const Graph*>& graphs = m_layoutGraphs.at(p);
        const int count = u16Count(graphs.size());
        const QByteArray name = utf8Within(plot->GetName(), kMaxU16);
        const QByteArray unit = utf8Within(plot->GetUnitName(), kMaxU16);
        appendU16(out, quint16(name.size()));
        appendU16(out, quint16(count));
        appendU32(out, quint32(plot->GetType()));
        appendU16(out, quint16(unit.size()));
        out.append(name);
        out.append(unit);
        if (plot->HasParameter())
            appendU16(out, quint16(plot->GetParameter()));  // its low 16 bits, as every u16 field
        for (int g = 0; g < count; ++g) {
            const Graph* graph = graphs.at(g);
            const QByteArray graphName = utf8Within(graph->GetName(), kMaxU16);
            const QColor colour = graph->GetColour().toRgb();
            appendU16(out, quint16(graphName.size()));
            appendU8(out, quint8(colour.red()));
            appendU8(out, quint8(colour.green()));
            appendU8(out, quint8(colour.blue()));
            appendU8(out, 0);  // reserved
            out.append(graphName);
        }
        m_sampleCount += count;
    }
    return out;
}

bool Writer::layoutUnchanged() const
{
    if (m_plots.Count() != m_layoutPlots.size())
        return false;
    int p = 0;
    for (const Plot* plot : m_plots.GetItems()) {
        if (plot != m_layoutPlots.at(p))
            return false;
        const QVector<const Graph*>& graphs = m_layoutGraphs.at(p++);
        if (plot->Graphs().Count() != graphs.size())
            return false;
        int g = 0;
        for (const Graph* graph : plot->Graphs().GetItems()) {
            if (graph != graphs.at(g++))
                return false;
        }
    }
    return true;
}

void Writer::reportError(int code)
{
    if (m_handler)
        m_handler->OnError(code);
}

}  // namespace NovCertFormat3
