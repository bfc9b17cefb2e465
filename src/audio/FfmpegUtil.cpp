#include "audio/FfmpegUtil.h"

#include <vector>

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

bool setPlainMatrix(SwrContext* swr, int inChannels, int outChannels)
{
    if (inChannels == 1 && outChannels > 1) {
        const std::vector<double> ones(size_t(outChannels), 1.0);
        return swr_set_matrix(swr, ones.data(), 1) >= 0;
    }
    if (outChannels == 1 && inChannels > 1) {
        const std::vector<double> average(size_t(inChannels), 1.0 / inChannels);
        return swr_set_matrix(swr, average.data(), inChannels) >= 0;
    }
    return true;
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
