#pragma once

#include <QImage>
#include <QString>

namespace sarvel {

// JPEG pictures decoded with libjpeg.
class JpegImage {
public:
    // The picture in the file `path`, as an RGB image.
    // Raises std::runtime_error("Cannot open file <path>") when the file cannot be opened, and
    // libjpeg's own message ("Not a JPEG file: starts with 0x.. 0x..", "Empty input file", ...) when
    // it cannot be decoded. A file cut short is no error: libjpeg shows what is there and fills the
    // rest grey, as picture viewers do.
    static QImage load(const QString& path);
};

} // namespace sarvel
