#pragma once

#include <QByteArray>
#include <QtGlobal>

// Dialogic VOX: OKI 4-bit ADPCM of 12-bit samples, two samples a byte, the first in the high
// nibble. FFmpeg decodes it (adpcm_ima_oki) but has no encoder.
class OkiAdpcmEncoder {
public:
    // Encodes 16-bit samples (their top 12 bits are coded); an odd last sample is padded.
    QByteArray encode(const qint16* samples, qint64 count);
    // A pending odd sample, flushed with a zero code.
    QByteArray finish();

private:
    int encodeSample(int sample12);

    int m_predicted = 0;
    int m_index = 0;
    int m_pendingNibble = -1;
};
