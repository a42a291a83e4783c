#pragma once

#include <QString>
#include <optional>

namespace sarvel {

class Prompts;

// One song button as the editor holds it; each file is a path or the none marker "-".
struct SongButtonEdit {
    int number = 1;
    QString caption;
    QString text;
    QString song;
    QString icon;
    int volume = 50;
    // Key shift and tempo, set only when the user changed them: otherwise the kit keeps whatever it
    // holds, and a song left at the defaults gains no key.
    std::optional<int> key;
    std::optional<int> tempo;
};

// The file paths a save hands on to the selection state: one for each entry whose file exists.
struct SavedSongFiles {
    std::optional<QString> text;
    std::optional<QString> song;
    std::optional<QString> icon;
};

// Writes song button N into `section` of the kit: caption and volume always; each file entry as
// "-", as its path when that file exists, or, with a warning, not at all; key and tempo when
// given (Key<N>, Tempo<N>, after the volume). All entries reach the disk in one crash-safe save,
// so a refused write ("Unable to write to <kit>") leaves the kit exactly as it was.
SavedSongFiles saveSongButton(const QString& kitPath, const QString& section, const SongButtonEdit& edit,
                              Prompts& prompts);

// The same for theme button T in section TemaArtist. Returns the icon path when that file exists.
std::optional<QString> saveTemaButton(const QString& kitPath, int tema, const QString& caption,
                                      const QString& icon, Prompts& prompts);

} // namespace sarvel
