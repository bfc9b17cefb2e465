#pragma once

#include <QString>

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace ffmpegutil {

// Keeps FFmpeg's own log to errors: warnings about timestamps would reach the user's terminal.
void quietLogs();
// FFmpeg's text for an error number.
QString errorText(int err);
// The usual layout for a channel count (mono, stereo ...).
AVChannelLayout layoutFor(int channels);

} // namespace ffmpegutil
