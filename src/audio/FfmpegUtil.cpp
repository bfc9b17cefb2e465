#include "audio/FfmpegUtil.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace ffmpegutil {

void quietLogs()
{
    static const bool once = [] {
        av_log_set_level(AV_LOG_ERROR);
        return true;
    }();
    Q_UNUSED(once)
}

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
