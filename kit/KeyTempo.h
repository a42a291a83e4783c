#pragma once

#include <QString>

namespace sarvel {

class IniFile;

// A song's key shift and tempo, stored beside its other entries as Key<N> (semitones) and
// Tempo<N> (percent). Programs that do not know the keys ignore them, so a kit stays readable.
struct KeyTempo {
    static constexpr int kKeyMin = -6;
    static constexpr int kKeyMax = 6;
    static constexpr int kKeyDefault = 0;
    static constexpr int kTempoMin = 50;
    static constexpr int kTempoMax = 150;
    static constexpr int kTempoDefault = 100;

    int key = kKeyDefault;
    int tempo = kTempoDefault;

    bool isDefault() const { return key == kKeyDefault && tempo == kTempoDefault; }
    bool operator==(const KeyTempo&) const = default;

    static int clampKey(int semitones);
    static int clampTempo(int percent);

    // Song `number` of `section`: a value out of range is clamped, one that is not a whole number
    // reads as the default.
    static KeyTempo read(const IniFile& kit, const QString& section, int number);
};

} // namespace sarvel
