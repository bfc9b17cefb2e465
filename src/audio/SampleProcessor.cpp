#include "audio/SampleProcessor.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

SampleProcessor::~SampleProcessor() = default;

namespace processors {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double lfo(LfoShape shape, double phase) // phase in cycles; result in [-1, 1]
{
    phase -= std::floor(phase);
    if (shape == LfoShape::Triangle)
        return phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase;
    return std::sin(kTwoPi * phase);
}

class Gain : public SampleProcessor {
public:
    Gain(int channels, std::vector<double> factors) : m_channels(channels), m_factors(std::move(factors)) {}
    void process(float* data, qint64 frames) override
    {
        for (qint64 i = 0; i < frames; ++i)
            for (int c = 0; c < m_channels; ++c, ++data)
                *data = float(*data * m_factors[size_t(c)]);
    }

private:
    int m_channels;
    std::vector<double> m_factors;
};

class Fade : public SampleProcessor {
public:
    Fade(int channels, qint64 total, double from, double to)
        : m_channels(channels), m_total(total), m_from(from / 100.0), m_to(to / 100.0) {}
    void process(float* data, qint64 frames) override
    {
        const double span = m_total > 1 ? double(m_total - 1) : 1.0;
        for (qint64 i = 0; i < frames; ++i, ++m_pos) {
            const double g = m_from + (m_to - m_from) * (double(m_pos) / span);
            for (int c = 0; c < m_channels; ++c, ++data)
                *data = float(*data * g);
        }
    }

private:
    int m_channels;
    qint64 m_total;
    double m_from, m_to;
    qint64 m_pos = 0;
};

class Biquad : public SampleProcessor {
public:
    Biquad(int channels, int rate, BiquadShape shape, double f0, double q, double gainDb)
        : m_channels(channels), m_state(size_t(channels) * 4, 0.0)
    {
        f0 = std::clamp(f0, 1.0, 0.49 * rate);
        q = std::max(q, 0.01);
        const double w0 = kTwoPi * f0 / rate;
        const double cw = std::cos(w0), sw = std::sin(w0);
        double b0 = 0, b1 = 0, b2 = 0, a0 = 1, a1 = 0, a2 = 0;
        if (shape == BiquadShape::LowShelf || shape == BiquadShape::HighShelf) {
            const double A = std::pow(10.0, gainDb / 40.0);
            const double alpha = sw / 2.0 * std::sqrt((A + 1.0 / A) * (1.0 / q - 1.0) + 2.0);
            const double sa = 2.0 * std::sqrt(A) * alpha;
            if (shape == BiquadShape::LowShelf) {
                b0 = A * ((A + 1) - (A - 1) * cw + sa);
                b1 = 2 * A * ((A - 1) - (A + 1) * cw);
                b2 = A * ((A + 1) - (A - 1) * cw - sa);
                a0 = (A + 1) + (A - 1) * cw + sa;
                a1 = -2 * ((A - 1) + (A + 1) * cw);
                a2 = (A + 1) + (A - 1) * cw - sa;
            } else {
                b0 = A * ((A + 1) + (A - 1) * cw + sa);
                b1 = -2 * A * ((A - 1) + (A + 1) * cw);
                b2 = A * ((A + 1) + (A - 1) * cw - sa);
                a0 = (A + 1) - (A - 1) * cw + sa;
                a1 = 2 * ((A - 1) - (A + 1) * cw);
                a2 = (A + 1) - (A - 1) * cw - sa;
            }
        } else {
            const double alpha = sw / (2.0 * q);
            a0 = 1 + alpha;
            a1 = -2 * cw;
            a2 = 1 - alpha;
            if (shape == BiquadShape::LowPass) {
                b0 = (1 - cw) / 2;
                b1 = 1 - cw;
                b2 = (1 - cw) / 2;
            } else if (shape == BiquadShape::HighPass) {
                b0 = (1 + cw) / 2;
                b1 = -(1 + cw);
                b2 = (1 + cw) / 2;
            } else {
                b0 = alpha;
                b1 = 0;
                b2 = -alpha;
            }
        }
        m_b0 = b0 / a0;
        m_b1 = b1 / a0;
        m_b2 = b2 / a0;
        m_a1 = a1 / a0;
        m_a2 = a2 / a0;
    }
    void process(float* data, qint64 frames) override
    {
        for (qint64 i = 0; i < frames; ++i) {
            for (int c = 0; c < m_channels; ++c, ++data) {
                double* s = &m_state[size_t(c) * 4]; // x1, x2, y1, y2
                const double x = *data;
                const double y = m_b0 * x + m_b1 * s[0] + m_b2 * s[1] - m_a1 * s[2] - m_a2 * s[3];
                s[1] = s[0];
                s[0] = x;
                s[3] = s[2];
                s[2] = y;
                *data = float(y);
            }
        }
    }

private:
    int m_channels;
    std::vector<double> m_state;
    double m_b0 = 1, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
};

// A circular delay line per channel, read at fractional delays by linear interpolation.
class DelayLine {
public:
    DelayLine(int channels, qint64 length) : m_channels(channels), m_length(length + 2),
        m_buffer(size_t(m_length) * size_t(channels), 0.0f) {}
    void push(const float* frame)
    {
        m_write = (m_write + 1) % m_length;
        std::copy_n(frame, m_channels, &m_buffer[size_t(m_write) * size_t(m_channels)]);
    }
    void overwrite(int channel, float value) { m_buffer[size_t(m_write) * size_t(m_channels) + size_t(channel)] = value; }
    // Value written `delay` frames before the latest push (delay 0 is the latest).
    float at(int channel, double delay) const
    {
        delay = std::clamp(delay, 0.0, double(m_length - 2));
        const qint64 whole = qint64(delay);
        const double frac = delay - double(whole);
        const float a = sample(channel, whole);
        const float b = sample(channel, whole + 1);
        return float(a + (b - a) * frac);
    }

private:
    float sample(int channel, qint64 back) const
    {
        const qint64 idx = ((m_write - back) % m_length + m_length) % m_length;
        return m_buffer[size_t(idx) * size_t(m_channels) + size_t(channel)];
    }
    int m_channels;
    qint64 m_length;
    std::vector<float> m_buffer;
    qint64 m_write = 0;
};

class Flanger : public SampleProcessor {
public:
    Flanger(int channels, int rate, double mix, double feedback, double maxDelayMs, double depth, double period,
            LfoShape shape)
        : m_channels(channels), m_rate(rate), m_mix(mix / 100.0), m_feedback(std::clamp(feedback / 100.0, -0.95, 0.95)),
          m_maxDelay(std::max(1.0, maxDelayMs * rate / 1000.0)), m_depth(std::clamp(depth / 100.0, 0.0, 1.0)),
          m_period(std::max(period, 0.01)), m_shape(shape), m_line(channels, qint64(m_maxDelay) + 2),
          m_frame(size_t(channels))
    {
    }
    void process(float* data, qint64 frames) override
    {
        for (qint64 i = 0; i < frames; ++i, ++m_pos, data += m_channels) {
            const double phase = double(m_pos) / (m_period * m_rate);
            // Sweeps between maxDelay * (1 - depth) and maxDelay.
            const double d = m_maxDelay * (1.0 - m_depth * 0.5 * (1.0 + lfo(m_shape, phase)));
            std::copy_n(data, m_channels, m_frame.data());
            m_line.push(m_frame.data());
            for (int c = 0; c < m_channels; ++c) {
                const double delayed = m_line.at(c, d);
                m_line.overwrite(c, float(m_frame[size_t(c)] + m_feedback * delayed));
                data[c] = float((1.0 - m_mix) * m_frame[size_t(c)] + m_mix * delayed);
            }
        }
    }

private:
    int m_channels, m_rate;
    double m_mix, m_feedback, m_maxDelay, m_depth, m_period;
    LfoShape m_shape;
    DelayLine m_line;
    std::vector<float> m_frame;
    qint64 m_pos = 0;
};

class Echo : public SampleProcessor {
public:
    Echo(int channels, int rate, double delayMs, double dry, double echo)
        : m_channels(channels), m_delay(std::max<qint64>(1, qint64(std::llround(delayMs * rate / 1000.0)))),
          m_dry(dry / 100.0), m_echo(std::clamp(echo / 100.0, -0.99, 0.99)), m_line(channels, m_delay + 1),
          m_frame(size_t(channels)) {}
    void process(float* data, qint64 frames) override
    {
        for (qint64 i = 0; i < frames; ++i, data += m_channels) {
            std::copy_n(data, m_channels, m_frame.data());
            m_line.push(m_frame.data());
            for (int c = 0; c < m_channels; ++c) {
                // The line holds x + echo * (its value one delay ago): the repeats decay by m_echo.
                const double back = m_line.at(c, double(m_delay));
                m_line.overwrite(c, float(m_frame[size_t(c)] + m_echo * back));
                data[c] = float(m_dry * m_frame[size_t(c)] + m_echo * back);
            }
        }
    }

private:
    int m_channels;
    qint64 m_delay;
    double m_dry, m_echo;
    DelayLine m_line;
    std::vector<float> m_frame;
};

class Vibrato : public SampleProcessor {
public:
    Vibrato(int channels, int rate, double cents, double rateHz, LfoShape shape)
        : m_channels(channels), m_rate(rate), m_rateHz(std::max(rateHz, 0.01)), m_shape(shape),
          m_line(channels, 1), m_frame(size_t(channels))
    {
        // A delay d(t) = base + A sin(2 pi f t) shifts the pitch by the factor 1 - d'(t); its largest
        // swing, A 2 pi f, is set to the ratio of the wanted interval.
        const double ratio = std::pow(2.0, std::fabs(cents) / 1200.0) - 1.0;
        const double factor = shape == LfoShape::Triangle ? 4.0 : kTwoPi; // largest slope of the LFO
        m_amplitude = ratio * rate / (factor * m_rateHz);
        m_base = m_amplitude + 1.0;
        m_line = DelayLine(channels, qint64(std::ceil(m_base + m_amplitude)) + 2);
    }
    void process(float* data, qint64 frames) override
    {
        for (qint64 i = 0; i < frames; ++i, ++m_pos, data += m_channels) {
            const double d = m_base + m_amplitude * lfo(m_shape, double(m_pos) * m_rateHz / m_rate);
            std::copy_n(data, m_channels, m_frame.data());
            m_line.push(m_frame.data());
            for (int c = 0; c < m_channels; ++c)
                data[c] = m_line.at(c, d);
        }
    }

private:
    int m_channels, m_rate;
    double m_rateHz;
    LfoShape m_shape;
    double m_amplitude = 0, m_base = 0;
    DelayLine m_line;
    std::vector<float> m_frame;
    qint64 m_pos = 0;
};

} // namespace

std::unique_ptr<SampleProcessor> gain(int channels, double factor)
{
    return std::make_unique<Gain>(channels, std::vector<double>(size_t(channels), factor));
}

std::unique_ptr<SampleProcessor> channelGains(int channels, const double* factors)
{
    return std::make_unique<Gain>(channels, std::vector<double>(factors, factors + channels));
}

std::unique_ptr<SampleProcessor> fade(int channels, qint64 totalFrames, double fromPercent, double toPercent)
{
    return std::make_unique<Fade>(channels, totalFrames, fromPercent, toPercent);
}

std::unique_ptr<SampleProcessor> biquad(int channels, int sampleRate, BiquadShape shape, double frequency,
                                        double quality, double gainDb)
{
    return std::make_unique<Biquad>(channels, sampleRate, shape, frequency, quality, gainDb);
}

std::unique_ptr<SampleProcessor> flanger(int channels, int sampleRate, double mixPercent, double feedbackPercent,
                                         double maxDelayMs, double depthPercent, double periodSeconds,
                                         LfoShape shape)
{
    return std::make_unique<Flanger>(channels, sampleRate, mixPercent, feedbackPercent, maxDelayMs, depthPercent,
                                     periodSeconds, shape);
}

std::unique_ptr<SampleProcessor> echo(int channels, int sampleRate, double delayMs, double dryPercent,
                                      double echoPercent)
{
    return std::make_unique<Echo>(channels, sampleRate, delayMs, dryPercent, echoPercent);
}

std::unique_ptr<SampleProcessor> vibrato(int channels, int sampleRate, double depthCents, double rateHz,
                                         LfoShape shape)
{
    return std::make_unique<Vibrato>(channels, sampleRate, depthCents, rateHz, shape);
}

} // namespace processors
