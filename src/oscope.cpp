#include "oscope.h"

#include <QApplication>
#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <limits>
#include <sys/mman.h>

namespace {

constexpr int kSamplePeriodMs = 10;
constexpr int kGridStepPx = 100;

const QColor kMarginBackground(36, 36, 36);
const QColor kPlotBackground(72, 72, 72);
const QColor kGridColour(150, 150, 150);
const QColor kTimeColour(Qt::white);
const QColor kDragColour(Qt::black);

QString clockText(qint64 msecsSinceEpoch)
{
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch).toString(QStringLiteral("hh:mm:ss"));
}

// The application's font in the console's family.
QFont baseFont()
{
    QFont font = QApplication::font();
    font.setFamily(QStringLiteral("Cantarell"));
    return font;
}

}  // namespace

const QList<int> Oscope::m_zooms = {1, 2, 3, 5, 10, 15, 20, 30, 60, 120, 180, 300, 600};

Oscope::Oscope(QWidget* parent)
    : QWidget(parent), m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    setFont(baseFont());

    m_pbCurrent = new QPushButton(this);
    QFont buttonFont;
    buttonFont.setFamily(QStringLiteral("Cantarell"));
    m_pbCurrent->setFont(buttonFont);
    m_pbCurrent->setFocusPolicy(Qt::NoFocus);
    m_pbCurrent->resize(kFullMargin / 2, kFullMargin / 2);
    m_pbCurrent->setText(clockText(m_clock()));
    connect(m_pbCurrent, &QPushButton::clicked, this, &Oscope::pbCurrentClicked);

    m_scrollZoom = new QScrollBar(Qt::Horizontal, this);
    m_scrollZoom->setRange(0, m_zooms.size() - 1);
    m_scrollZoom->setPageStep(1);
    m_scrollZoom->setValue(m_zoom);
    m_scrollZoom->setFocusPolicy(Qt::NoFocus);
    connect(m_scrollZoom, &QScrollBar::valueChanged, this, &Oscope::m_scrollZoomValueChanged);

    m_timer.setInterval(kSamplePeriodMs);
    connect(&m_timer, &QTimer::timeout, this, &Oscope::timeEvent);
}

Oscope::~Oscope() = default;

Oscope::Store Oscope::newStore()
{
    constexpr size_t bytes = size_t(kStoreSize) * sizeof(float);
    void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED)
        qFatal("Oscope: no memory for the store of a curve");
    return Store(static_cast<float*>(pages));
}

void Oscope::ReleaseStore::operator()(float* store) const
{
    munmap(store, size_t(kStoreSize) * sizeof(float));
}

void Oscope::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

qint64 Oscope::nowCentisec() const
{
    return m_clock() / 10;
}

void Oscope::addCurve(const QString& name, float fullScale, QColor colour, int decimals)
{
    Curve curve;
    curve.name = name;
    curve.fullScale = fullScale;
    curve.colour = colour;
    curve.decimals = decimals;
    curve.store = newStore();
    m_curves[name] = std::move(curve);
    update();
}

void Oscope::addOrdinate(const QString& name, float value)
{
    const auto it = m_curves.find(name);
    if (it == m_curves.end())
        return;
    it->second.ordinates.append(value);
    update();
}

void Oscope::setVisible(QString name, bool visible)
{
    const auto it = m_curves.find(name);
    if (it == m_curves.end())
        return;
    it->second.hidden = !visible;
    update();
}

void Oscope::setValues(const QMap<QString, float>& values)
{
    m_values = values;
}

void Oscope::start()
{
    m_startTime = nowCentisec();
    m_cur = 0;
    m_offset = 0;
    m_timer.start();
}

void Oscope::clampOffset()
{
    m_offset = std::clamp(m_offset, std::max<qint64>(m_cur - kStoreSize, 0), m_cur);
}

void Oscope::setOffsetCentisec(long offset)
{
    m_offset = offset;
    clampOffset();
    update();
}

void Oscope::setZoomIndex(int index)
{
    m_zoom = std::clamp(index, 0, int(m_zooms.size()) - 1);
    const QSignalBlocker quiet(m_scrollZoom);
    m_scrollZoom->setValue(m_zoom);
    update();
}

void Oscope::setCurrent()
{
    moveToPresent();
    update();
}

void Oscope::moveToPresent()
{
    m_offset = m_cur - span();
    clampOffset();
}

float Oscope::sampleAt(const QString& name, qint64 t) const
{
    const auto it = m_curves.find(name);
    if (it == m_curves.end())
        return std::numeric_limits<float>::quiet_NaN();
    return it->second.store[size_t(((t % kStoreSize) + kStoreSize) % kStoreSize)];
}

qint64 Oscope::readoutCentisec() const
{
    if (!m_dragging)
        return -1;
    const qint64 t = m_offset + qint64(m_pressX - m_margin) * m_zooms.at(m_zoom);
    const bool held = t >= std::max<qint64>(m_cur - kStoreSize, 0) && t < m_cur;
    return held ? t : -1;
}

void Oscope::timeEvent()
{
    // The clock is read once a tick: the sample, the picture's second and the button's time are
    // all of this moment.
    const qint64 nowMs = m_clock();
    const qint64 now = nowMs / 10;
    qint64 elapsed = now - m_startTime;
    const bool followedBefore = following();

    bool wentBack = false;
    if (elapsed < m_cur) {
        m_cur = elapsed;
        wentBack = true;
    }
    if (m_cur < 0 || elapsed - m_cur > kStoreSize) {
        // Back before the start, or forward by more than the store holds: a new time base.
        m_offset = 0;
        m_cur = 0;
        m_startTime = now;
        moveToPresent();
        elapsed = 0;
    } else if (wentBack) {
        // The present moved left: keep the view within the new range, at the present if it
        // was following.
        if (followedBefore)
            moveToPresent();
        else
            clampOffset();
    }

    const bool follow = following();
    if (m_cur < elapsed) {
        record(m_cur, elapsed);
        m_cur = elapsed;
    }
    if (follow && m_offset + span() < m_cur)
        moveToPresent();
    if (m_cur - kStoreSize > m_offset)
        m_offset = std::max<qint64>(m_cur - kStoreSize, 0);

    const Frame next = frame(nowMs);
    if (!(next == m_lastFrame)) {
        m_lastFrame = next;
        m_pbCurrent->setText(clockText(nowMs));
        update();
    }
}

Oscope::Frame Oscope::frame(qint64 nowMs) const
{
    // The view's position in whole pixels, and the pixel columns whose time has been sampled
    // (t = offset + zoom * x < cur). Within a pixel the picture would only pick neighbouring
    // samples of the same pixel's time.
    const qint64 zoom = m_zooms.at(m_zoom);
    const qint64 columns = std::clamp<qint64>((m_cur - m_offset + zoom - 1) / zoom, 0, m_plotWidth);
    return {m_zoom, m_offset / zoom, columns, m_startTime, nowMs / 1000};
}

// Stores the latest values at every centisecond from `from` up to `to` (at most the whole ring).
void Oscope::record(qint64 from, qint64 to)
{
    const qint64 count = std::min(to - from, kStoreSize);
    const qint64 begin = from % kStoreSize;
    const qint64 first = std::min(count, kStoreSize - begin);
    for (auto& entry : m_curves) {
        auto value = m_values.find(entry.first);
        if (value == m_values.end())
            value = m_values.insert(entry.first, 0.0f);
        float* store = entry.second.store.get();
        std::fill(store + begin, store + begin + first, *value);
        std::fill(store, store + (count - first), *value);
    }
}

void Oscope::pbCurrentClicked(bool)
{
    setCurrent();
}

void Oscope::m_scrollZoomValueChanged(int value)
{
    const bool follow = following();
    setZoomIndex(value);
    if (follow)
        setCurrent();
}

void Oscope::resizeEvent(QResizeEvent*)
{
    const bool follow = following();

    double scale = std::min(width(), height()) / 500.0;
    if (scale < 1.0) {
        m_margin = int(kFullMargin * scale);
    } else {
        m_margin = kFullMargin;
        scale = 1.0;
    }
    m_plotWidth = width() - 2 * m_margin;
    m_plotHeight = height() - m_margin;

    QFont font = baseFont();
    font.setPixelSize(std::max(1, int(QFontMetrics(font).height() * scale)));
    setFont(font);

    const int row = height() - m_margin / 2;
    m_scrollZoom->setGeometry(m_margin, row, m_plotWidth / 4, m_margin / 2);
    const int buttonWidth =
        int(1.5 * QFontMetrics(font).horizontalAdvance(QStringLiteral("00:00:00")));
    m_pbCurrent->setGeometry(m_margin + m_plotWidth / 4 + 10, row, buttonWidth, m_margin / 2);

    if (follow)
        moveToPresent();
}

void Oscope::mousePressEvent(QMouseEvent* event)
{
    m_pressX = qRound(event->localPos().x());
    m_pressOffset = m_offset;
    if (m_pressX > m_margin) {
        m_dragging = true;
        update();
    }
}

void Oscope::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    const qint64 moved = qRound(event->localPos().x()) - m_pressX;
    m_offset = m_pressOffset - moved * m_zooms.at(m_zoom);
    clampOffset();
    update();
}

void Oscope::mouseReleaseEvent(QMouseEvent*)
{
    if (!m_dragging)
        return;
    m_dragging = false;
    update();
}

double Oscope::yOf(const Curve& curve, float value) const
{
    const double y = (1.0 - double(value) / double(curve.fullScale)) * m_plotHeight;
    return std::clamp(y, -double(m_plotHeight), 2.0 * m_plotHeight);
}

void Oscope::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect plotFrame(m_margin, 0, width() - m_margin, m_plotHeight);
    painter.fillRect(rect(), kMarginBackground);
    painter.fillRect(plotFrame, kPlotBackground);

    paintGrid(painter);

    // The legend runs leftwards from the right edge and stops short of the button.
    const QFontMetrics metrics(font());
    const int legendLimit = m_pbCurrent->geometry().right() + 3;
    const int legendBaseline = height() - m_margin / 4;
    int legendEnd = width() - 3;
    for (const auto& entry : m_curves) {
        const Curve& curve = entry.second;
        if (curve.hidden || curve.fullScale == 0.0f)
            continue;  // a curve without a scale has nothing to draw
        paintOrdinates(painter, curve);
        const int nameWidth = metrics.horizontalAdvance(curve.name);
        if (legendEnd - nameWidth >= legendLimit) {
            painter.setPen(curve.colour);
            painter.drawText(legendEnd - nameWidth, legendBaseline, curve.name);
            legendEnd -= nameWidth + 3;
        } else {
            legendEnd = legendLimit;  // no room: no further names either
        }
        paintCurve(painter, curve);
    }

    if (m_dragging) {
        painter.setPen(kDragColour);
        painter.drawLine(m_pressX, 0, m_pressX, m_plotHeight);
    }

    painter.setPen(kGridColour);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plotFrame.adjusted(0, 0, -1, -1));
}

void Oscope::paintGrid(QPainter& painter)
{
    const qint64 zoom = m_zooms.at(m_zoom);
    const qint64 step = zoom * kGridStepPx;
    const qint64 into = m_offset % step;
    qint64 t = m_offset + step - into;
    int x = m_margin + int((step - into) / zoom);
    const QFontMetrics metrics(font());
    for (; x < width(); x += kGridStepPx, t += step) {
        painter.setPen(kGridColour);
        painter.drawLine(x, 0, x, m_plotHeight);
        const QString text = clockText((m_startTime + t) * 10);
        // A time that the widget's edge would cut is left out; its line stays.
        if (x + metrics.horizontalAdvance(text) / 2 >= width())
            continue;
        painter.setPen(kTimeColour);
        painter.drawText(QRect(x - kGridStepPx / 2, m_plotHeight, kGridStepPx, m_margin / 2),
                         Qt::AlignCenter, text);
    }
}

void Oscope::paintOrdinates(QPainter& painter, const Curve& curve)
{
    const QLocale locale = QLocale::system();
    for (const float ordinate : curve.ordinates) {
        const double y = yOf(curve, ordinate);
        painter.setPen(kGridColour);
        painter.drawLine(QPointF(m_margin, y), QPointF(width(), y));
        painter.setPen(curve.colour);
        painter.drawText(QRectF(0, y - m_margin, m_margin - 3, 2 * m_margin),
                         Qt::AlignRight | Qt::AlignVCenter, locale.toString(ordinate, 'g', 6));
    }
}

void Oscope::paintCurve(QPainter& painter, const Curve& curve)
{
    const qint64 zoom = m_zooms.at(m_zoom);
    const QLocale locale = QLocale::system();
    painter.save();
    painter.setClipRect(QRect(m_margin, 0, width() - m_margin, m_plotHeight));
    painter.setPen(curve.colour);

    // One sample per pixel column; an unknown sample breaks the line.
    QPolygonF run;
    run.reserve(m_plotWidth);
    float last = std::numeric_limits<float>::quiet_NaN();
    QPointF lastPoint;
    for (int x = 0; x < m_plotWidth; ++x) {
        const qint64 t = m_offset + zoom * x;
        if (t >= m_cur)
            break;
        last = curve.store[size_t(t % kStoreSize)];
        if (std::isnan(last)) {
            painter.drawPolyline(run);
            run.clear();
            continue;
        }
        lastPoint = QPointF(m_margin + x, yOf(curve, last));
        run.append(lastPoint);
    }
    painter.drawPolyline(run);

    if (!std::isnan(last)) {
        const double px = lastPoint.x();
        const double py = lastPoint.y();
        painter.drawLine(QPointF(px - 2, py - 2), QPointF(px + 2, py + 2));
        painter.drawLine(QPointF(px - 2, py + 2), QPointF(px + 2, py - 2));
        painter.drawLine(QPointF(px, py - 2), QPointF(px, py + 2));
        painter.drawLine(QPointF(px - 2, py), QPointF(px + 2, py));
        painter.drawText(QRectF(px + 5, py - m_margin, m_margin - 2, 2 * m_margin),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         locale.toString(double(last), 'f', curve.decimals));
    }

    if (m_dragging) {
        // The value under the drag line, just left of it.
        const qint64 t = readoutCentisec();
        const float value = t >= 0 ? curve.store[size_t(t % kStoreSize)] : std::numeric_limits<float>::quiet_NaN();
        if (!std::isnan(value)) {
            const QString text = locale.toString(double(value), 'f', curve.decimals);
            const int textWidth = QFontMetrics(painter.font()).horizontalAdvance(text);
            const int x = std::max(m_margin, m_pressX - 2 - textWidth);
            painter.drawText(QPointF(x, yOf(curve, value) - 5), text);
        }
    }
    painter.restore();
}
