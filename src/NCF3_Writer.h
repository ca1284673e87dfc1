#pragma once

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

#include "linkedlist.h"

// The recorder file: a header that describes the recording, then one sample of every graph every
// 100 ms. Little-endian, no gaps, texts in UTF-8 without terminators, every length in bytes.
//
//   head     u16 magic 0x4E43 ("CN"), u16 version 100, u16 blocks B, u16 plots P, u32 id
//   block    u32 name length n, u32 value length m, name, value                 (B of them)
//   plot     u16 name length a, u16 graphs G, u32 type, u16 unit length b, name, unit,
//            u16 parameter (types 0 and 1 only: the low 16 bits of the int), then its G graphs
//                                                                                (P of them)
//   graph    u16 name length c, u8 red, u8 green, u8 blue, u8 reserved (0), name
//   sample   one float per graph, plots and graphs in header order, no time stamp
//
// A sample that reaches the file only in part is cut off again, so that the samples after it stay
// in step with the header.
//
// A count or length that does not fit its field is never written cut beside the full data: the
// data itself is cut to what the field can say (the first 65,535 plots or graphs, a text cut at
// a UTF-8 character boundary), so the file always reads back.
namespace NovCertFormat3 {

constexpr quint16 kMagic = 0x4E43;
constexpr quint16 kVersion = 100;
constexpr int kSamplePeriodMs = 100;

// The codes given to AbstractErrorHandler::OnError.
enum ErrorCode : int {
    ErrorOpen = 0,    // Start could not open the file
    ErrorHeader = 4,  // Start wrote less of the header than it built
    ErrorSample = 5,  // a tick wrote less of its sample than it built, or the layout had changed
};

class InformationBlock
{
public:
    InformationBlock(const QString& name, const QString& value) : m_name(name), m_value(value) {}
    virtual ~InformationBlock() = default;

    const QString& GetName() const { return m_name; }
    const QString& GetValue() const { return m_value; }

private:
    QString m_name;
    QString m_value;
};

// One curve. Its owner keeps the value current (SetValue, or a subclass that reads it live).
class Graph
{
public:
    Graph(const QString& name, const QColor& colour, float value = 0.0f)
        : m_name(name), m_colour(colour), m_value(value)
    {
    }
    virtual ~Graph() = default;

    virtual float GetValue() const { return m_value; }
    void SetValue(float value) { m_value = value; }

    const QString& GetName() const { return m_name; }
    const QColor& GetColour() const { return m_colour; }

private:
    QString m_name;
    QColor m_colour;
    float m_value;
};

// One chart: named, with a unit, a type and, for types 0 and 1, a parameter; it owns its graphs.
class Plot
{
public:
    Plot(const QString& name, const QString& unitName, int type, int parameter = 0)
        : m_name(name), m_unitName(unitName), m_type(type), m_parameter(parameter)
    {
    }
    virtual ~Plot() = default;

    virtual QString GetName() const { return m_name; }
    virtual QString GetUnitName() const { return m_unitName; }

    int GetType() const { return m_type; }
    int GetParameter() const { return m_parameter; }
    // Whether the file carries the parameter for this type.
    bool HasParameter() const { return m_type == 0 || m_type == 1; }

    LinkedList::Manager<Graph>& Graphs() { return m_graphs; }
    const LinkedList::Manager<Graph>& Graphs() const { return m_graphs; }

private:
    QString m_name;
    QString m_unitName;
    int m_type;
    int m_parameter;
    LinkedList::Manager<Graph> m_graphs;
};

class AbstractErrorHandler
{
public:
    virtual ~AbstractErrorHandler() = default;
    virtual void OnError(const int& code) = 0;
};

// Writes one recording at a time. The owner fills the two lists, then Start writes the header
// and samples every graph every 100 ms until Stop; a further Start begins again from an empty
// file with the lists as they are then. Failures go to the error handler only.
//
// The header fixes the layout of every sample. Should the plots or graphs change while a
// recording runs, the ticks are reported with ErrorSample and skipped (nothing of a graph that
// has left the lists is read) until the next Start.
class Writer : public QObject
{
    Q_OBJECT

public:
    // handler: not owned, may be null; it must outlive the writer.
    Writer(AbstractErrorHandler* handler, const QString& fileName, unsigned int id,
           QObject* parent = nullptr);
    ~Writer() override;

    LinkedList::Manager<InformationBlock>& InformationBlocks() { return m_blocks; }
    LinkedList::Manager<Plot>& Plots() { return m_plots; }

    bool Start();
    void Stop();
    bool IsRecording() const { return m_recording; }

public slots:
    void OnTimeout();

signals:
    void OnUpdate();

private:
    QByteArray buildHeader();
    bool layoutUnchanged() const;
    void reportError(int code);

    AbstractErrorHandler* m_handler;
    LinkedList::Manager<InformationBlock> m_blocks;
    LinkedList::Manager<Plot> m_plots;
    QFile m_file;
    quint32 m_id;
    QTimer m_timer;

    // The layout that the header of the running recording declared.
    bool m_recording = false;
    QVector<const Plot*> m_layoutPlots;
    QVector<QVector<const Graph*>> m_layoutGraphs;
    int m_sampleCount = 0;  // graphs in one sample record
    qint64 m_whole = 0;     // bytes of the header and the whole samples in the file
};

}  // namespace NovCertFormat3
