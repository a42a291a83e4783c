#pragma once

#include "MainControls.h"

#include <QString>

namespace sarvel {

class Prompts;
class Transport;
struct SelectionState;

// Opening a song or a words file without a kit, from the top bar.
class DirectOpen {
public:
    struct Dialog {
        QString filter; // Qt's form
        QString initialDir;
    };

    DirectOpen(const MainControls& controls, Transport& transport, Prompts& prompts, SelectionState& state);

    void setDialogs(const Dialog& song, const Dialog& text);

    void SpeedButtonOpenSongClick();
    void SpeedButtonOpenTextClick();

private:
    void showSongPlaceholder();

    const MainControls& c_;
    Transport& transport_;
    Prompts& prompts_;
    SelectionState& state_;
    Dialog songDialog_;
    Dialog textDialog_;
};

} // namespace sarvel
