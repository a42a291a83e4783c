#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace sarvel {

enum class ButtonPicture { OpenText, OpenSong, About, NewFile, Begin, Play, Option };

// Pictures come from the desktop's icon theme where it has them, from the built-in set otherwise.
QIcon buttonIcon(ButtonPicture picture);
// The Play/Stop toggle: a play picture while up, a stop picture while down.
QIcon playStopIcon();
QIcon appIcon();
// What the song icon box shows before any song is launched.
QPixmap defaultSongPicture();
// The small picture the grid buttons carry until the kit is read.
QImage defaultGlyph();
// A seven-segment style font for the time and volume labels, or a plain monospace one.
QFont lcdFont(int pixelSize);

// Makes the application's text font a proportional sans: DejaVu Sans, else Liberation Sans.
void useProportionalFont();

} // namespace sarvel
