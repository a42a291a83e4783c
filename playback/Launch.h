#pragma once

#include "MainControls.h"

namespace sarvel {

class MediaPlayer;
class Transport;
class VolumeController;
struct SelectionState;

// A left click on a song button: read its entries from the kit, show its name, icon and words,
// open its song, play it when "Play song synhro" is on, and fade the volume around it all.
class Launch {
public:
    Launch(const MainControls& controls, MediaPlayer& player, Transport& transport, VolumeController& volume,
           SelectionState& state);

    void PlayAndText(int number);

private:
    const MainControls& c_;
    MediaPlayer& player_;
    Transport& transport_;
    VolumeController& volume_;
    SelectionState& state_;
};

} // namespace sarvel
