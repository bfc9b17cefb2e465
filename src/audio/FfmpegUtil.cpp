#include "audio/FfmpegUtil.h"

extern "C" {
#include <libavutil/error.h>
}

namespace ffmpegutil {

QString errorText(int err)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

AVChannelLayout layoutFor(int channels)
{
    AVChannelLayout layout;
    av_channel_layout_default(&layout, channels);
    return layout;
}

} // namespace ffmpegutil
