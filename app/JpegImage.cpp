#include "JpegImage.h"

#include <QFile>
#include <QFileInfo>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include <jpeglib.h>

namespace sarvel {

namespace {

// libjpeg's fatal errors come through error_exit, which must not return. A C++ exception may not
// unwind through libjpeg's C frames, so the handler keeps the message and jumps back to decode().
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onFatalError(j_common_ptr info) {
    auto* error = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

// Warnings ("Premature end of JPEG file", stray bytes) do not stop the picture.
void onMessage(j_common_ptr, int) {}

// Plain data only, so that a jump out of libjpeg skips no destructor.
struct Decompressor {
    jpeg_decompress_struct info;
    ErrorManager error;
};

struct DecompressorRelease {
    void operator()(Decompressor* d) const { jpeg_destroy_decompress(&d->info); }
};
using DecompressorGuard = std::unique_ptr<Decompressor, DecompressorRelease>;

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileClose>;

// A picture bigger than any screen is refused before its memory is taken.
constexpr unsigned long maxPixels = 64UL * 1024 * 1024;

// Everything between setjmp and the last libjpeg call lives in the caller's frame or is trivially
// destructible, which is what makes the longjmp of onFatalError well defined.
bool decode(Decompressor& d, DecompressorGuard& guard, std::FILE* file, QImage& image) {
    d.info.err = jpeg_std_error(&d.error.pub);
    d.error.pub.error_exit = onFatalError;
    d.error.pub.emit_message = onMessage;
    if (setjmp(d.error.jump))
        return false;
    jpeg_create_decompress(&d.info);
    guard.reset(&d);
    jpeg_stdio_src(&d.info, file);
    jpeg_read_header(&d.info, TRUE);
    d.info.out_color_space = JCS_RGB; // grey pictures are widened to RGB by libjpeg
    jpeg_start_decompress(&d.info);
    if (static_cast<unsigned long>(d.info.output_width) * d.info.output_height > maxPixels) {
        std::snprintf(d.error.message, sizeof d.error.message, "Image too large: %ux%u", d.info.output_width,
                      d.info.output_height);
        return false;
    }
    image = QImage(int(d.info.output_width), int(d.info.output_height), QImage::Format_RGB888);
    if (image.isNull()) {
        std::snprintf(d.error.message, sizeof d.error.message, "Out of memory");
        return false;
    }
    while (d.info.output_scanline < d.info.output_height) {
        JSAMPROW row = image.scanLine(int(d.info.output_scanline));
        if (jpeg_read_scanlines(&d.info, &row, 1) != 1)
            break;
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

} // namespace

QImage JpegImage::load(const QString& path) {
    FileHandle file;
    if (!QFileInfo(path).isDir())
        file.reset(std::fopen(QFile::encodeName(path).constData(), "rb"));
    if (!file)
        throw std::runtime_error(("Cannot open file " + path).toStdString());
    Decompressor decompressor{};
    DecompressorGuard guard;
    QImage image;
    if (!decode(decompressor, guard, file.get(), image))
        throw std::runtime_error(decompressor.error.message);
    return image;
}

} // namespace sarvel
