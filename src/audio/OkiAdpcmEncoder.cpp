#include "audio/OkiAdpcmEncoder.h"

#include <algorithm>

namespace {
const int kStepSizes[49] = {16,  17,  19,  21,  23,  25,  28,  31,  34,  37,  41,  45,   50,   55,   60,   66,   73,
                            80,  88,  97,  107, 118, 130, 143, 157, 173, 190, 209, 230,  253,  279,  307,  337,
                            371, 408, 449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552};
const int kIndexShift[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
} // namespace

int OkiAdpcmEncoder::encodeSample(int sample12)
{
    const int step = kStepSizes[m_index];
    int delta = sample12 - m_predicted;
    int code = 0;
    if (delta < 0) {
        code = 8;
        delta = -delta;
    }
    if (delta >= step) {
        code |= 4;
        delta -= step;
    }
    if (delta >= step / 2) {
        code |= 2;
        delta -= step / 2;
    }
    if (delta >= step / 4)
        code |= 1;

    // Follow the decoder exactly so both stay in step.
    int diff = step >> 3;
    if (code & 1)
        diff += step >> 2;
    if (code & 2)
        diff += step >> 1;
    if (code & 4)
        diff += step;
    if (code & 8)
        diff = -diff;
    m_predicted = std::clamp(m_predicted + diff, -2048, 2047);
    m_index = std::clamp(m_index + kIndexShift[code & 7], 0, 48);
    return code;
}

QByteArray OkiAdpcmEncoder::encode(const qint16* samples, qint64 count)
{
    QByteArray out;
    out.reserve(int(count / 2 + 1));
    for (qint64 i = 0; i < count; ++i) {
        const int code = encodeSample(samples[i] >> 4);
        if (m_pendingNibble < 0) {
            m_pendingNibble = code;
        } else {
            out.append(char((m_pendingNibble << 4) | code));
            m_pendingNibble = -1;
        }
    }
    return out;
}

QByteArray OkiAdpcmEncoder::finish()
{
    QByteArray out;
    if (m_pendingNibble >= 0)
        out.append(char(m_pendingNibble << 4));
    m_pendingNibble = -1;
    return out;
}
