#pragma once

#include <QString>
#include <functional>

namespace sarvel {

class Prompts;
class TBaseForm;
struct SelectionState;

// The main window's creation and destruction steps: settings, the last kit, the mixer, theme 1.
class StartUp {
public:
    StartUp(TBaseForm& form, SelectionState& state, Prompts& prompts);

    // The mixer's start-up and shutdown steps, wired by the application to the window's volume.
    std::function<void()> mixerStartUp;
    std::function<void()> mixerShutDown;
    // A kit named at start; it takes the last kit's place when it can be read.
    QString startKit;

    void FormCreate();
    void FormDestroy();

private:
    TBaseForm& form_;
    SelectionState& state_;
    Prompts& prompts_;
};

} // namespace sarvel
