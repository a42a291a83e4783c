#pragma once

#include <QString>
#include <cstdint>

namespace sarvel {

struct SelectionState;

// What the settings file "tirsen.ini" keeps between runs.
struct StoredSettings {
    std::uint8_t red = 1;
    std::uint8_t green = 2;
    std::uint8_t blue = 3;
    QString kitFile;             // mapped to a native path
    QString checkBoxNoTxt = "-"; // "ON" turns the option on, compared exactly
    int wordsZoom = 0;           // steps of the words pane's zoom
    int stageZoom = 0;           // and of the stage view's
};

// Reads the settings file once; a missing file or key gives the defaults.
StoredSettings readSettings();

// The exit write: the colour always, the kit path only when that kit still exists, the words
// and stage zooms when they changed.
void writeSettingsAtExit(const SelectionState& state, int wordsZoom, int stageZoom);

// Saves the state of "Aktivate TXT  FORM" as "ON" or "OFF".
void writeCheckBoxNoTxt(bool on);

// A colour value as stored: above 255 is 255, below 0 is 0.
std::uint8_t colourByte(int stored);

} // namespace sarvel
