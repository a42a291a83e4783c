#pragma once

#include "Mixer.h"

#include <QMetaObject>

class QLabel;
class QScrollBar;

namespace sarvel {

class Prompts;

// The volume slider of the main window driving the speakers through the mixer: opened at
// start-up, written on every change of the slider's position, closed at shutdown. The slider is
// both the user's volume control and the program's fader.
class VolumeController {
public:
    // Connects the slider's valueChanged to ScrollBarVolumeChange, so a position set from code
    // reaches the speakers at once, inside the caller.
    VolumeController(QScrollBar* scrollBar, QLabel* label, Prompts& userPrompts);
    ~VolumeController();
    VolumeController(const VolumeController&) = delete;
    VolumeController& operator=(const VolumeController&) = delete;

    // The mixer step of start-up. Without a mixer says "MIXER не найден !" and returns false;
    // start-up goes on either way. With one, moves the slider to the speakers' level.
    bool startUp();

    // The slider's change handler, also called directly by the launch.
    void ScrollBarVolumeChange();

    // The shutdown step: closes the mixer, letting the last setting reach the speakers.
    void shutDown();

    bool mixerFound() const { return MixerFound; }

private:
    QScrollBar* ScrollBarVolume;
    QLabel* LabelVolume;
    Prompts& prompts;
    Mixer mixer;
    bool MixerFound = false;
    QMetaObject::Connection sliderConnection;
};

} // namespace sarvel
