#pragma once

#include <QString>

namespace sarvel {

// "m:ss" of a time in milliseconds: minutes unpadded, seconds always two digits ("3:05"),
// since "3:5" reads as three minutes fifty. Negative times count as 0.
QString minutesSeconds(int ms);

// The three time labels as the transport shows them.
QString lengthLabelText(int lengthMs);       // " 3:05  "
QString elapsedLabelText(int positionMs);    // " 1:05 "
QString remainingLabelText(int remainingMs); // " 2:00 "

// Where the caret of the words stands at a point of the song: linear from the start of the text
// to its end, clamped to the end. Only meaningful while playing with position > 0.
int caretIndex(int textLength, int positionMs, int lengthMs);

} // namespace sarvel
