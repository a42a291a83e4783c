#pragma once

#include <QString>

namespace sarvel {

// "<quotient>, <remainder> Gb" of a byte count split at 1000000000, both unpadded; an unknown
// size counts as -1 and so reads "0, -1 Gb".
QString gigabyteFigure(qint64 bytes);

// Total and free bytes of the drive holding the working directory; -1 when unknown.
qint64 currentDriveSize();
qint64 currentDriveFree();

} // namespace sarvel
