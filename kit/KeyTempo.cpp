#include "KeyTempo.h"

#include "IniFile.h"

#include <algorithm>

namespace sarvel {

int KeyTempo::clampKey(int semitones) {
    return std::clamp(semitones, kKeyMin, kKeyMax);
}

int KeyTempo::clampTempo(int percent) {
    return std::clamp(percent, kTempoMin, kTempoMax);
}

KeyTempo KeyTempo::read(const IniFile& kit, const QString& section, int number) {
    const QString n = QString::number(number);
    return {clampKey(kit.readInt(section, "Key" + n, kKeyDefault)),
            clampTempo(kit.readInt(section, "Tempo" + n, kTempoDefault))};
}

} // namespace sarvel
