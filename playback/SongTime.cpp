#include "SongTime.h"

#include <algorithm>
#include <cstdint>

namespace sarvel {

QString minutesSeconds(int ms) {
    const int s = std::max(ms, 0) / 1000;
    return QString::number(s / 60) + QLatin1Char(':') +
           QStringLiteral("%1").arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString lengthLabelText(int lengthMs) {
    return QLatin1Char(' ') + minutesSeconds(lengthMs) + QStringLiteral("  ");
}

QString elapsedLabelText(int positionMs) {
    return QLatin1Char(' ') + minutesSeconds(positionMs) + QLatin1Char(' ');
}

QString remainingLabelText(int remainingMs) {
    return QLatin1Char(' ') + minutesSeconds(remainingMs) + QLatin1Char(' ');
}

int caretIndex(int textLength, int positionMs, int lengthMs) {
    if (textLength <= 0 || positionMs <= 0)
        return 0;
    if (lengthMs <= 0 || positionMs >= lengthMs)
        return textLength;
    return static_cast<int>(std::int64_t{textLength} * positionMs / lengthMs);
}

} // namespace sarvel
