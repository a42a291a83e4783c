#include "FuzzSupport.h"
#include "RtfReader.h"

#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // Odd first byte: the rest goes behind a valid header, so mutations spend their time in the
    // RTF parser instead of the plain-text fallback.
    QByteArray bytes;
    if (data[0] & 1)
        bytes = "{\\rtf1\\ansi\\ansicpg1251 ";
    bytes.append(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    QTextDocument doc;
    sarvel::RtfReader::read(bytes, doc);
    // No construct makes more characters than it has bytes.
    if (doc.characterCount() > bytes.size() + 1)
        std::abort();
    return 0;
}
