#pragma once

#include <QString>
#include <cstdint>

namespace sarvel {

// What the user has selected and what is loaded, alive for the whole run. One object, made by the
// application and shared by the main window, the launch and the kit editor.
struct SelectionState {
    QString KitFileName = QStringLiteral("-");
    QString CurrentSection = QStringLiteral("Section1");
    int SelectedTemaNumber = 1;
    int TemaNumber = 1;
    int SongNumber = 1;
    QString SongCaption = QStringLiteral("Song");
    QString TemaCaption = QStringLiteral("Artist-20");
    QString TextFileName = QStringLiteral("-");
    QString SongFileName = QStringLiteral("-");
    QString IconFileName = QStringLiteral("-");
    QString TemaIconFileName = QStringLiteral("-");
    int SongVolume = 50; // a kit's default volume, until a launch reads the song's own
    bool SongLoaded = false;
    bool SeekOnSliderChange = true;
    int EditMode = 1;
    std::uint8_t ColorRed = 127;
    std::uint8_t ColorGreen = 127;
    std::uint8_t ColorBlue = 127;

    void reset() { *this = SelectionState(); }
};

} // namespace sarvel
