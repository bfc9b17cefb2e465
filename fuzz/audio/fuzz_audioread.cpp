// Feeds arbitrary bytes to the audio file reader under each extension it treats specially.
#include "audio/AudioFileReader.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const char* const kExtensions[] = {"mp3", "wav", "ogg", "wma", "vox", "g721", "g723", "g726", "raw", "avi"};
    const char* ext = kExtensions[data[0] % (sizeof kExtensions / sizeof *kExtensions)];
    const QString path = QDir::temp().filePath(QStringLiteral("velmora-fuzz-%1.%2").arg(getpid()).arg(QLatin1String(ext)));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return 0;
    f.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1));
    f.close();
    BlockStore store;
    store.setMemoryBudget(1 << 20);
    AudioFileReader::Options options;
    options.targetChannels = data[0] & 0x80 ? 1 : 0;
    const AudioFileReader::Result r = AudioFileReader::read(path, store, options);
    if (r.status.ok() && r.samples.frames() > 0) {
        float frame[8];
        r.samples.read(r.samples.frames() - 1, 1, frame);
    }
    QFile::remove(path);
    return 0;
}
