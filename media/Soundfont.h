#pragma once

#include <QString>

namespace sarvel {

// The General MIDI soundfont MIDI files are rendered with: the smallest well-known one found
// where the FluidSynth decoder itself looks ($XDG_DATA_DIRS/{sounds/sf2,sounds/sf3,soundfonts}),
// since a large one makes every MIDI open slow. Empty when there is none.
QString findSoundfont();

} // namespace sarvel
