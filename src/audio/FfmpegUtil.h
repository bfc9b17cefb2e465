#pragma once

#include <QString>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace ffmpegutil {

// Keeps FFmpeg's own log to errors: warnings about timestamps would reach the user's terminal.
void quietLogs();
// Sets a plain channel matrix where FFmpeg's default would change the level: mono spreads to every
// output channel at full level, several channels fold into mono as their average. Call before
// swr_init; false on failure.
bool setPlainMatrix(SwrContext* swr, int inChannels, int outChannels);
// FFmpeg's text for an error number.
QString errorText(int err);
// The usual layout for a channel count (mono, stereo ...).
AVChannelLayout layoutFor(int channels);

} // namespace ffmpegutil
