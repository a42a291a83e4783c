#pragma once

#include <QByteArrayView>

#include <optional>

namespace sarvel {

// Length in whole milliseconds of the MPEG audio stream that fills `file` (an mp3 file's bytes),
// found by walking its frame headers. GStreamer knows no length for an mp3 without a Xing header
// until it has played a while, and its Xing-based length includes the encoder's delay and padding;
// this count is exact when the file carries a LAME tag and within one frame otherwise.
// nullopt when no run of valid MPEG audio frames is found.
std::optional<int> mp3LengthMs(QByteArrayView file);

} // namespace sarvel
