#pragma once

#include "Lrc.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace sarvel {

// The lyrics a Standard MIDI File (.mid, karaoke .kar) carries, as timed lines with a time per
// syllable, in the form a timing file is read into. Lyric events (meta 0x05) are taken when the
// file has them; otherwise, by the karaoke convention, the text events (0x01) of the track named
// "Words", or of a track whose text starts with `@` headers. In the text, `@` events are headers
// and skipped, `\` starts a new paragraph, `/` and line ends a new line. Times follow the tempo map
// of every track. Empty when the bytes are not a MIDI file or hold no lyrics; damaged files give
// what can be read before the damage.
Lrc parseKarLyrics(const QByteArray& bytes);
// The file read and parsed; nothing when it can't be read, is too large for a MIDI file or holds
// no lyrics.
std::optional<Lrc> readKarFile(const QString& path);
// Whether a song file's name says MIDI (.mid, .midi, .kar), letter case ignored.
bool isMidiSongName(const QString& path);

} // namespace sarvel
