#include "gui/TrackPainter.h"

#include "audio/TrackSummary.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor kLaneBack(0xfb, 0xfc, 0xfe);
const QColor kLaneSelected(0xd3, 0xe3, 0xfa);
const QColor kCentreLine(0xc9, 0xd1, 0xdc);
const QColor kWave(0x2f, 0x6d, 0xb5);
const QColor kWaveSelected(0x17, 0x45, 0x85);
// The RMS band inside the min/max lines: lighter, so the loudness reads at a glance.
const QColor kRms(0x6f, 0xa3, 0xe0);
const QColor kRmsSelected(0x3c, 0x70, 0xb8);
const QColor kClipped(0xd6, 0x33, 0x33);
const QColor kLaneBorder(0xb8, 0xc0, 0xcc);
const QColor kRulerTop(0xf3, 0xf5, 0xf8);
const QColor kRulerBottom(0xe2, 0xe6, 0xec);
const QColor kRulerText(0x33, 0x3d, 0x4b);
const QColor kTick(0x6b, 0x75, 0x83);
const QColor kCursor(0xd9, 0x48, 0x0f);
const QColor kPlay(0x2b, 0x8a, 0x3e);
const QColor kRulerSelection(0x9d, 0xbd, 0xeb);

// Levels shown in the spectrogram, dB relative to a full-scale sine.
constexpr float kSpectrumLowDb = -100.0f;
constexpr float kSpectrumHighDb = -15.0f;

double mel(double hz) { return 2595.0 * std::log10(1.0 + hz / 700.0); }
double hzOfMel(double m) { return 700.0 * (std::pow(10.0, m / 2595.0) - 1.0); }

// A dark-to-bright palette (black, violet, red, orange, pale yellow) for the spectrogram.
unsigned paletteAt(double t)
{
    static const double stops[][4] = {{0.00, 0, 0, 4},      {0.25, 59, 15, 112},  {0.50, 140, 41, 129},
                                      {0.75, 222, 73, 104}, {0.90, 254, 159, 109}, {1.00, 252, 253, 191}};
    for (int i = 1; i < 6; ++i) {
        if (t <= stops[i][0]) {
            const double u = (t - stops[i - 1][0]) / (stops[i][0] - stops[i - 1][0]);
            auto mix = [&](int k) { return int(stops[i - 1][k] + u * (stops[i][k] - stops[i - 1][k]) + 0.5); };
            return qRgb(mix(1), mix(2), mix(3));
        }
    }
    return qRgb(252, 253, 191);
}

// Ruler spacing: the smallest of these steps (seconds) that leaves room for a label.
constexpr double kTickSteps[] = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30,
                                 60,    120,   300,   600,  900,  1800, 3600, 7200};

} // namespace

TrackPainter::TrackPainter()
{
    for (int i = 0; i < 256; ++i)
        m_palette[size_t(i)] = paletteAt(i / 255.0);
}

void TrackPainter::drop()
{
    m_seen = SampleSequence();
    m_seenFirst = -1;
    m_columns.clear();
    m_spectrum.clear();
}

QString TrackPainter::formatTime(double seconds, int decimals, bool withHours)
{
    const double scale = std::pow(10.0, decimals);
    const qint64 units = qint64(std::llround(std::max(0.0, seconds) * scale));
    const qint64 whole = units / qint64(scale);
    const qint64 h = whole / 3600, m = (whole / 60) % 60, sec = whole % 60;
    QString text = withHours ? QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(sec, 2, 10, QLatin1Char('0'))
                             : QStringLiteral("%1:%2").arg(whole / 60).arg(sec, 2, 10, QLatin1Char('0'));
    if (decimals > 0)
        text += QStringLiteral(".%1").arg(units % qint64(scale), decimals, 10, QLatin1Char('0'));
    return text;
}

QRect TrackPainter::laneRect(const TrackScene& s, int channel, int channels) const
{
    const int h = s.lanes.height() / std::max(1, channels);
    const int top = s.lanes.top() + channel * h;
    const int bottom = channel == channels - 1 ? s.lanes.bottom() : top + h - 1;
    return QRect(QPoint(s.lanes.left(), top), QPoint(s.lanes.right(), bottom));
}

double TrackPainter::xOf(const TrackScene& s, qint64 frame) const
{
    return s.lanes.left() + double(frame) / s.step - double(s.firstColumn);
}

void TrackPainter::paint(QPainter& p, const SampleSequence& samples, const TrackScene& s)
{
    p.fillRect(s.lanes, kLaneBack);
    if (s.mode == 1)
        paintSpectral(p, samples, s);
    else if (s.step < 1.0)
        paintSamples(p, samples, s);
    else
        paintWaveform(p, samples, s);
    paintRuler(p, s, samples.frames());
    paintMarks(p, s, samples.frames());
    paintReadout(p, s, samples.frames());
}

const std::vector<MinMax>* TrackPainter::columns(const SampleSequence& samples, const TrackScene& s, int n)
{
    if (m_seenStep == s.step && m_seenFirst == s.firstColumn && m_seenCount == n && samples.sameViews(m_seen))
        return &m_columns;
    TrackSummary summary(samples);
    if (!summary.columns(double(s.firstColumn) * s.step, s.step, n, m_columns, &m_rms))
        return nullptr;
    m_seen = samples;
    m_seenStep = s.step;
    m_seenFirst = s.firstColumn;
    m_seenCount = n;
    return &m_columns;
}

void TrackPainter::paintWaveform(QPainter& p, const SampleSequence& samples, const TrackScene& s)
{
    const int ch = samples.channels();
    const int n = s.lanes.width();
    const std::vector<MinMax>* cols = columns(samples, s, n);
    const double selA = xOf(s, s.selStart), selB = xOf(s, s.selStart + s.selLength);
    std::vector<QLine> normal, selected, clipped, rmsNormal, rmsSelected;
    normal.reserve(size_t(n));
    rmsNormal.reserve(size_t(n));
    for (int c = 0; c < ch; ++c) {
        const QRect lane = laneRect(s, c, ch);
        if (s.selLength > 0)
            p.fillRect(QRectF(QPointF(std::max<double>(selA, lane.left()), lane.top()),
                              QPointF(std::min<double>(selB, lane.right() + 1), lane.bottom() + 1)),
                       kLaneSelected);
        const double mid = lane.top() + lane.height() / 2.0;
        const double half = (lane.height() - 4) / 2.0;
        p.setPen(kCentreLine);
        p.drawLine(lane.left(), int(mid), lane.right(), int(mid));
        if (!cols)
            continue;
        for (auto* lines : {&normal, &selected, &clipped, &rmsNormal, &rmsSelected})
            lines->clear();
        for (int i = 0; i < n; ++i) {
            const size_t at = size_t(i) * size_t(ch) + size_t(c);
            const MinMax& m = (*cols)[at];
            if (m.empty())
                break;
            const int x = lane.left() + i;
            const int y1 = int(std::floor(mid - std::clamp(m.max, -1.0f, 1.0f) * half));
            const int y2 = std::max(y1, int(std::ceil(mid - std::clamp(m.min, -1.0f, 1.0f) * half)));
            const QLine line(x, y1, x, y2);
            const bool inSelection = s.selLength > 0 && x + 1 > selA && x < selB;
            if (m.max >= 1.0f || m.min <= -1.0f) {
                clipped.push_back(line);
                continue;
            }
            (inSelection ? selected : normal).push_back(line);
            // The RMS band around the centre, never past the min/max line it lies on.
            const double r = std::min(1.0f, m_rms[at]) * half;
            const int r1 = std::max(y1, int(std::lround(mid - r))), r2 = std::min(y2, int(std::lround(mid + r)));
            if (r2 > r1)
                (inSelection ? rmsSelected : rmsNormal).push_back(QLine(x, r1, x, r2));
        }
        const std::pair<const std::vector<QLine>*, QColor> layers[] = {
            {&normal, kWave}, {&selected, kWaveSelected}, {&clipped, kClipped}, {&rmsNormal, kRms}, {&rmsSelected, kRmsSelected}};
        for (const auto& [lines, colour] : layers) {
            p.setPen(colour);
            p.drawLines(lines->data(), int(lines->size()));
        }
    }
}

void TrackPainter::paintSamples(QPainter& p, const SampleSequence& samples, const TrackScene& s)
{
    // Zoomed in past single frames: a line through the samples, dots once they are far apart.
    const int ch = samples.channels();
    const qint64 first = std::max<qint64>(0, qint64(std::floor(double(s.firstColumn) * s.step)));
    const qint64 last = std::min(samples.frames(), qint64(std::ceil(double(s.firstColumn + s.lanes.width()) * s.step)) + 1);
    std::vector<float> data(size_t(std::max<qint64>(0, last - first)) * size_t(ch));
    const bool ok = last > first && samples.read(first, last - first, data.data());
    const double pixels = 1.0 / s.step;
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int c = 0; c < ch; ++c) {
        const QRect lane = laneRect(s, c, ch);
        const double mid = lane.top() + lane.height() / 2.0;
        const double half = (lane.height() - 4) / 2.0;
        if (s.selLength > 0)
            p.fillRect(QRectF(QPointF(std::max(xOf(s, s.selStart), double(lane.left())), lane.top()),
                              QPointF(std::min(xOf(s, s.selStart + s.selLength), lane.right() + 1.0), lane.bottom() + 1)),
                       kLaneSelected);
        p.setPen(kCentreLine);
        p.drawLine(lane.left(), int(mid), lane.right(), int(mid));
        if (!ok)
            continue;
        p.save();
        p.setClipRect(lane);
        QPolygonF line;
        line.reserve(qsizetype(last - first));
        for (qint64 f = first; f < last; ++f)
            line << QPointF(xOf(s, f) + pixels / 2.0,
                            mid - std::clamp(data[size_t(f - first) * size_t(ch) + size_t(c)], -1.0f, 1.0f) * half);
        p.setPen(QPen(kWave, 1.5));
        p.drawPolyline(line);
        if (pixels >= 6) {
            p.setBrush(kWave);
            p.setPen(Qt::NoPen);
            for (const QPointF& pt : line)
                p.drawEllipse(pt, 2.0, 2.0);
            p.setBrush(Qt::NoBrush);
        }
        p.restore();
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

void TrackPainter::paintSpectral(QPainter& p, const SampleSequence& samples, const TrackScene& s)
{
    const int ch = samples.channels();
    const int w = s.lanes.width();
    const int bins = m_spectrum.bins();
    const double nyquist = s.rate / 2.0;
    if (m_image.size() != s.lanes.size())
        m_image = QImage(s.lanes.size(), QImage::Format_RGB32);
    m_image.fill(m_palette[0]);
    const qint64 frames = samples.frames();
    m_spectrum.setTrack(samples, s.step);
    m_spectrum.prepare(s.firstColumn, w);
    QRgb* const pixels = reinterpret_cast<QRgb*>(m_image.bits());
    const qsizetype stride = m_image.bytesPerLine() / qsizetype(sizeof(QRgb));
    for (int c = 0; c < ch; ++c) {
        const QRect lane = laneRect(s, c, ch).translated(-s.lanes.topLeft());
        const int h = lane.height();
        // Rows run from the top (Nyquist) down to 0 Hz on a mel scale, so speech has room.
        std::vector<int> lo(static_cast<size_t>(h)), hi(static_cast<size_t>(h));
        const double top = mel(nyquist);
        for (int y = 0; y < h; ++y) {
            const double f1 = hzOfMel(top * (h - 1 - y) / h), f2 = hzOfMel(top * (h - y) / h);
            lo[size_t(y)] = std::clamp(int(f1 / nyquist * bins), 0, bins - 1);
            hi[size_t(y)] = std::clamp(int(std::ceil(f2 / nyquist * bins)) - 1, lo[size_t(y)], bins - 1);
        }
        for (int x = 0; x < w; ++x) {
            const qint64 k = s.firstColumn + x;
            if (double(k) * s.step >= double(frames))
                break;
            const float* levels = m_spectrum.column(k);
            if (!levels)
                break;
            levels += size_t(c) * size_t(bins);
            for (int y = 0; y < h; ++y) {
                float v = levels[lo[size_t(y)]];
                for (int b = lo[size_t(y)] + 1; b <= hi[size_t(y)]; ++b)
                    v = std::max(v, levels[b]);
                const int idx = std::clamp(int((v - kSpectrumLowDb) / (kSpectrumHighDb - kSpectrumLowDb) * 255.0f), 0, 255);
                pixels[(lane.top() + y) * stride + x] = m_palette[size_t(idx)];
            }
        }
    }
    p.drawImage(s.lanes.topLeft(), m_image);
    if (s.selLength > 0) {
        const double a = std::max(xOf(s, s.selStart), double(s.lanes.left()));
        const double b = std::min(xOf(s, s.selStart + s.selLength), s.lanes.right() + 1.0);
        if (b > a)
            p.fillRect(QRectF(QPointF(a, s.lanes.top()), QPointF(b, s.lanes.bottom() + 1)), QColor(0x9d, 0xbd, 0xeb, 60));
    }
}

void TrackPainter::paintRuler(QPainter& p, const TrackScene& s, qint64 frames)
{
    QLinearGradient g(s.ruler.topLeft(), s.ruler.bottomLeft());
    g.setColorAt(0, kRulerTop);
    g.setColorAt(1, kRulerBottom);
    p.fillRect(s.ruler, g);
    p.setPen(kLaneBorder);
    p.drawLine(s.ruler.bottomLeft(), s.ruler.bottomRight());
    if (s.selLength > 0) {
        const double a = std::max(xOf(s, s.selStart), double(s.ruler.left()));
        const double b = std::min(xOf(s, s.selStart + s.selLength), s.ruler.right() + 1.0);
        if (b > a)
            p.fillRect(QRectF(QPointF(a, s.ruler.bottom() - 3), QPointF(b, s.ruler.bottom() + 1)), kRulerSelection);
    }
    const QFontMetrics fm(p.font());
    const double pixelsPerSecond = s.rate / s.step;
    const bool hours = double(frames) / s.rate >= 3600.0;
    const int labelWidth = fm.horizontalAdvance(hours ? QStringLiteral("0:00:00.000") : QStringLiteral("00:00.000")) + 16;
    double major = kTickSteps[std::size(kTickSteps) - 1];
    for (double t : kTickSteps) {
        if (t * pixelsPerSecond >= labelWidth) {
            major = t;
            break;
        }
    }
    const int decimals = major >= 1 ? 0 : major >= 0.1 ? 1 : major >= 0.01 ? 2 : 3;
    const double minor = major / ((major == 15 || major == 900) ? 3 : (int(std::round(major / std::pow(10, std::floor(std::log10(major))))) == 2 ? 4 : 5));
    const double leftSeconds = double(s.firstColumn) * s.step / s.rate;
    const double rightSeconds = double(s.firstColumn + s.lanes.width()) * s.step / s.rate;
    p.save();
    p.setClipRect(s.ruler);
    p.setPen(kTick);
    const qint64 firstMinor = qint64(std::floor(leftSeconds / minor));
    for (qint64 i = firstMinor; i * minor <= rightSeconds; ++i) {
        const double t = i * minor;
        const int x = int(std::floor(s.lanes.left() + t * pixelsPerSecond - double(s.firstColumn)));
        const bool isMajor = std::fabs(t / major - std::round(t / major)) < 1e-6;
        p.drawLine(x, s.ruler.bottom() - (isMajor ? 9 : 4), x, s.ruler.bottom());
        if (isMajor) {
            p.setPen(kRulerText);
            p.drawText(QPoint(x + 3, s.ruler.top() + fm.ascent() + 2), formatTime(t, decimals, hours));
            p.setPen(kTick);
        }
    }
    p.restore();
}

void TrackPainter::paintMarks(QPainter& p, const TrackScene& s, qint64 frames)
{
    p.setPen(kLaneBorder);
    p.drawRect(s.lanes.adjusted(0, 0, -1, -1));
    for (int c = 1; c < s.channels; ++c) {
        const int y = laneRect(s, c, s.channels).top();
        p.drawLine(s.lanes.left(), y, s.lanes.right(), y);
    }
    const double end = xOf(s, frames);
    if (end < s.lanes.right())
        p.fillRect(QRectF(QPointF(std::max(end, double(s.lanes.left())), s.lanes.top()), QPointF(s.lanes.right() + 1, s.lanes.bottom() + 1)),
                   QColor(0xee, 0xf0, 0xf3));
    auto vertical = [&](qint64 frame, const QColor& colour) {
        const double x = std::floor(xOf(s, frame));
        if (x < s.lanes.left() || x > s.lanes.right())
            return false;
        p.setPen(colour);
        p.drawLine(QPointF(x, s.ruler.top()), QPointF(x, s.lanes.bottom()));
        return true;
    };
    if (s.position != s.cursor)
        vertical(s.position, kPlay);
    if (vertical(s.cursor, kCursor)) {
        const double x = std::floor(xOf(s, s.cursor));
        const QPointF tri[3] = {{x - 5, double(s.ruler.top())}, {x + 5, double(s.ruler.top())}, {x, s.ruler.top() + 6.0}};
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setBrush(kCursor);
        p.setPen(Qt::NoPen);
        p.drawPolygon(tri, 3);
        p.setBrush(Qt::NoBrush);
        p.setRenderHint(QPainter::Antialiasing, false);
    }
    if (s.focused) {
        p.setPen(QPen(QColor(0x3b, 0x82, 0xf6), 1));
        p.drawRect(s.lanes.adjusted(0, 0, -1, -1));
    }
}

void TrackPainter::paintReadout(QPainter& p, const TrackScene& s, qint64 frames)
{
    if (s.readout.isEmpty())
        return;
    p.fillRect(s.readout, kRulerBottom);
    const bool hours = double(frames) / s.rate >= 3600.0;
    QString text = formatTime(double(s.position) / s.rate, 3, hours);
    if (s.selLength > 0)
        text += QStringLiteral("  sel %1").arg(formatTime(double(s.selLength) / s.rate, 3, false));
    p.setPen(kRulerText);
    p.drawText(s.readout.adjusted(6, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
}
