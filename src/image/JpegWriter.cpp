#include "image/JpegWriter.h"

#include "common/Prompts.h"
#include "image/cDIBSection.h"

#include <QSaveFile>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    int code = 0;
};

[[noreturn]] void onError(j_common_ptr info)
{
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    errors->code = errors->base.msg_code;
    std::longjmp(errors->jump, 1);
}

void onMessage(j_common_ptr, int) {}

const QString kSaveFailed = QStringLiteral("Failed to save to JPG. Please check file attributes.");

// Encodes into memory; false when libjpeg reported an error (its code in errorCode). `started`
// tells whether the compressor had been set up when the failure came.
bool encode(const cDIBSection& picture, std::vector<uchar>& out, bool& started, int& errorCode)
{
    jpeg_compress_struct info{};
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = onMessage;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    started = false;
    if (setjmp(errors.jump)) {
        errorCode = errors.code ? errors.code : 1;
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return false;
    }
    jpeg_create_compress(&info);
    started = true;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(picture.Width());
    info.image_height = JDIMENSION(picture.Height());
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    const uchar* bits = picture.DIBSectionBitsPtr();
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(bits + qint64(info.next_scanline) * picture.BytesPerScanLine());
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    out.assign(buffer, buffer + size);
    std::free(buffer);
    return true;
}

} // namespace

bool WriteJpeg(const cDIBSection& picture, const QString& path, Prompts& prompts)
{
    if (!picture.IsValid()) {
        prompts.message(kSaveFailed, MessageIcon::Exclamation);
        return false;
    }
    std::vector<uchar> bytes;
    bool started = false;
    int code = 0;
    if (!encode(picture, bytes, started, code)) {
        if (!started)
            prompts.message(QStringLiteral("Failed to initialise the IJL library: %1").arg(code));
        else
            prompts.message(kSaveFailed, MessageIcon::Exclamation);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()))
               != qint64(bytes.size())
        || !file.commit()) {
        prompts.message(kSaveFailed, MessageIcon::Exclamation);
        return false;
    }
    return true;
}
