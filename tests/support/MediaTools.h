#pragma once

#include <QString>
#include <QStringList>

// Real media made by the ffmpeg program, and ffmpeg's own loudness measurement as the reference.
namespace mediatools {

// Runs ffmpeg with the arguments (after -nostdin -v error -y); false when it fails.
bool ffmpeg(const QStringList& args, QString* error = nullptr);
// Writes OUT from an aevalsrc expression (one per channel, "|"-separated) at a rate, as 16-bit WAV
// or whatever OUT's extension and extra output arguments ask for.
bool generate(const QString& out, const QString& exprs, int rate, double seconds,
              const QStringList& outputArgs = {});

struct Loudness {
    bool ok = false;
    double integrated = 0; // LUFS
    double range = 0;      // LU
    double truePeak = 0;   // dBTP
    QString error;
};
// ffmpeg's ebur128 filter (peak=true) over a whole file: the values of its last frame.
Loudness ffmpegLoudness(const QString& path);

// Runs a program; its standard output and error in *out and *err; false when it did not run to an end.
bool run(const QString& program, const QStringList& args, int* exitCode, QByteArray* out = nullptr,
         QByteArray* err = nullptr, int timeoutMs = 120000);

} // namespace mediatools
