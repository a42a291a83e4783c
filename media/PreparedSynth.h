#pragma once

#include <QByteArray>

namespace sarvel {

// A MIDI decoder for playbin whose FluidSynth synthesizer was made, and its soundfont loaded, ahead
// of the song: a new synthesizer takes 12-20 ms to load a General MIDI soundfont, on the click's way
// to the first sound. Registered above FluidSynth's own decoder; without a synthesizer made ahead
// it makes one as that decoder would.
namespace preparedsynth {

// Once GStreamer is up. False without FluidSynth's plug-in.
bool registerElement();
// The soundfont and gain every synthesizer gets; set before a MIDI song's pipeline is built.
void setSoundfont(const QByteArray& path, double gain);
// Makes the next song's synthesizer, unless one waits already. Slow: on a worker thread.
void makeAhead();
// Releases the synthesizer that waits, if any.
void dropAhead();

} // namespace preparedsynth
} // namespace sarvel
