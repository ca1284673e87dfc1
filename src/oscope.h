#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QMap>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

class QPainter;
class QPushButton;
class QScrollBar;

// A strip-chart recorder of named curves.
//
// Every 10 ms it stores, for each curve, the latest value its owner gave with setValues into the
// curve's ring of eight hours of centiseconds; a late timer fills every missed centisecond with
// the latest values. It draws one sample per pixel column against a time axis that follows the
// present moment (the present at the right edge) or stays where the operator dragged it, at one
// of thirteen zoom levels (m_zooms: centiseconds per pixel, which are also the seconds between
// the grid lines every 100 px).
//
// Memory: each curve maps kStoreSize floats, 11,520,000 bytes, zeroed by the system. Its pages
// become resident as the ring fills, so a curve costs about 1.4 MB an hour of running and the
// full 11.5 MB once it has run eight hours; eight curves then hold 92 MB. Replacing a curve or
// destroying the widget gives the pages back. Sampling never allocates.
//
// A tick repaints only when the view has moved by a whole pixel, the plot has gained a pixel
// column, or the clock's second has turned: at zoom 4 (10 centiseconds a pixel) ten times a
// second rather than a hundred. The button shows the clock's time from the same tick.
//
// A value that is not a number (NaN) records "unknown": the line has a gap there, and no last
// value is printed while the newest sample is unknown.
class Oscope : public QWidget
{
    Q_OBJECT

public:
    static constexpr qint64 kStoreSize = 2880000;  // eight hours at one sample per centisecond
    static constexpr int kFullMargin = 50;
    static const QList<int> m_zooms;

    // The wall clock, in milliseconds since the epoch.
    using Clock = std::function<qint64()>;

    explicit Oscope(QWidget* parent = nullptr);
    ~Oscope() override;

    // Replaces the clock (by default the system's); sampling reads it on every tick.
    void setClock(Clock clock);

    // A visible curve with an empty store; one of the same name is replaced, history and all.
    // full scale: the value at the top edge of the plot (0 is at the bottom edge).
    void addCurve(const QString& name, float fullScale, QColor colour, int decimals);
    // A horizontal mark at value on the named curve; an unknown name is ignored.
    void addOrdinate(const QString& name, float value);
    // Shows or hides the named curve (a hidden curve is still sampled); an unknown name is
    // ignored.
    void setVisible(QString name, bool visible);
    using QWidget::setVisible;
    // The latest values, by curve name; a curve without one records 0.
    void setValues(const QMap<QString, float>& values);

    // Starts the time base now and samples every 10 ms from then on.
    void start();

    void setOffsetCentisec(long offset);
    void setZoomIndex(int index);
    // Brings the present moment to the right edge of the plot.
    void setCurrent();

    qint64 offsetCentisec() const { return m_offset; }
    qint64 currentCentisec() const { return m_cur; }
    qint64 startCentisec() const { return m_startTime; }
    int zoomIndex() const { return m_zoom; }
    int margin() const { return m_margin; }
    int plotWidth() const { return m_plotWidth; }
    int plotHeight() const { return m_plotHeight; }
    // The time shown across the plot, in centiseconds.
    qint64 span() const { return qint64(m_zooms.at(m_zoom)) * m_plotWidth; }
    // Whether the present moment lies inside the shown span.
    bool following() const { return m_offset + span() >= m_cur; }
    // The stored sample of the named curve at time t (centiseconds since the start); NaN for a
    // name without a curve.
    float sampleAt(const QString& name, qint64 t) const;
    // While a drag runs, the time whose samples are read out at the press line; -1 when no drag
    // runs or no sample is held for that time (older than the ring keeps, not yet recorded, or
    // left of the plot, where a press lands once a growing widget has widened the margin).
    qint64 readoutCentisec() const;

public slots:
    void timeEvent();
    void pbCurrentClicked(bool checked);
    void m_scrollZoomValueChanged(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // The ring of one curve: anonymous pages mapped zeroed, resident only once written.
    struct ReleaseStore {
        void operator()(float* store) const;
    };
    using Store = std::unique_ptr<float[], ReleaseStore>;
    static Store newStore();

    struct Curve {
        QString name;
        float fullScale = 1.0f;
        QColor colour;
        int decimals = 0;
        bool hidden = false;
        QList<float> ordinates;
        Store store;
    };

    // What a repaint depends on besides the setters, which repaint by themselves.
    struct Frame {
        qint64 zoom, pixel, columns, start, second;
        bool operator==(const Frame& other) const
        {
            return zoom == other.zoom && pixel == other.pixel && columns == other.columns &&
                   start == other.start && second == other.second;
        }
    };
    // The frame at the clock's reading nowMs.
    Frame frame(qint64 nowMs) const;

    qint64 nowCentisec() const;
    void clampOffset();
    void moveToPresent();
    void record(qint64 from, qint64 to);
    // The y of a value on the curve's scale, kept near the plot for values far off it.
    double yOf(const Curve& curve, float value) const;
    void paintGrid(QPainter& painter);
    void paintOrdinates(QPainter& painter, const Curve& curve);
    void paintCurve(QPainter& painter, const Curve& curve);

    std::map<QString, Curve> m_curves;
    QMap<QString, float> m_values;

    int m_margin = kFullMargin;
    int m_plotWidth = 0;
    int m_plotHeight = 0;

    int m_zoom = 4;
    qint64 m_startTime = 0;  // centiseconds since the epoch
    qint64 m_cur = 0;        // centiseconds since the start
    qint64 m_offset = 0;     // time at the left edge of the plot

    Frame m_lastFrame{-1, -1, -1, -1, -1};

    bool m_dragging = false;
    int m_pressX = 0;
    qint64 m_pressOffset = 0;

    Clock m_clock;
    QTimer m_timer;
    QPushButton* m_pbCurrent;
    QScrollBar* m_scrollZoom;
};
