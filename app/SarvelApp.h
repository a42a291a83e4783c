#pragma once

#include "SelectionState.h"
#include "WidgetPrompts.h"

#include <QString>
#include <memory>

namespace sarvel {

class StartUp;
class StopSignals;
class TAboutForm;
class TBaseForm;
class TEditIniForm;
class TZastForm;

// Builds the windows in their order, runs the event loop and takes the run down again.
class SarvelApp {
public:
    // kitFile: a kit to start on, as named on the command line; empty for the last kit.
    // playSong: a song button of theme 1 to press once the window is up; 0 for none.
    explicit SarvelApp(const QString& kitFile = {}, int playSong = 0);
    ~SarvelApp();

    int run();

    TBaseForm& baseForm() { return *BaseForm; }
    SelectionState& state() { return state_; }

private:
    // The About window and the kit editor: made once the splash has gone.
    void makeDialogs();
    // Plays through the sound server, or silently (and says so) when start-up found none.
    void chooseAudioOutput();
    // Ends the run as the main window's close box does: modal windows first, as their Cancel would.
    void stop();

    SelectionState state_;
    WidgetPrompts prompts_;
    int playSong_ = 0;
    // The other windows are the main window's children: declared after it, they are destroyed
    // before it and leave its child list themselves.
    std::unique_ptr<TBaseForm> BaseForm;
    std::unique_ptr<StartUp> startUp_;
    std::unique_ptr<TAboutForm> AboutForm;
    std::unique_ptr<TEditIniForm> EditIniForm;
    std::unique_ptr<TZastForm> ZastForm;
    // Made before the windows, so a stop asked for while they are made is kept for the run.
    std::unique_ptr<StopSignals> stopSignals_;
};

} // namespace sarvel
