#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace sarvel {

// One line of words and the time it is sung at (ms).
struct TimedLine {
    QString text;
    std::int64_t time = 0;
};

// A timing file for lines in their order: "[mm:ss.xx]words" a line, hundredths rounded, preceded
// by "[offset:+ms]" when the offset is not zero. UTF-8 without BOM, LF line ends.
QByteArray formatLrc(const std::vector<TimedLine>& lines, std::int64_t offset);

// The bytes of a timing file with its offset tag set (or added first), everything else as it was.
QByteArray withLrcOffset(const QByteArray& bytes, std::int64_t offset);

} // namespace sarvel
