#pragma once

#include <QImage>
#include <QString>

namespace sarvel {

// Loads a picture for the song icon box by its extension: bitmaps as the buttons load them,
// JPEG, PNG, GIF and icons through Qt. Raises "Cannot open file <path>", "Bitmap image is not
// valid" or "Unknown picture file extension (.<ext>)".
QImage loadPicture(const QString& path);

} // namespace sarvel
