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
    // The decoder adds (2 magnitude + 1) step / 8: pick the magnitude closest to the difference.
    code |= std::min(7, (4 * delta) / step);

    // Follow the decoder exactly so both stay in step.
    const int diff = ((2 * (code & 7) + 1) * step) >> 3;
    m_predicted = std::clamp(m_predicted + ((code & 8) ? -diff : diff), -2048, 2047);
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
