#include "image/cGif.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// Loads arbitrary bytes as a GIF file; what loads is drawn into a picture and written again, so
// every path that touches the frames runs on what the reader accepted.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    cGif gif;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!gif.LoadFromStream(bytes))
        return 0;
    for (int f = 0; f < gif.FramesCount() && f < 4; ++f)
        gif.FrameImage(f);
    const QByteArray again = gif.SaveToBytes();
    cGif back;
    back.LoadFromStream(again);
    return 0;
}
