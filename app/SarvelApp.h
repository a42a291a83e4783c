#pragma once

#include "SelectionState.h"
#include "WidgetPrompts.h"

#include <memory>

namespace sarvel {

class StartUp;
class TAboutForm;
class TBaseForm;
class TEditIniForm;
class TZastForm;

// Builds the windows in their order, runs the event loop and takes the run down again.
class SarvelApp {
public:
    SarvelApp();
    ~SarvelApp();

    int run();

    TBaseForm& baseForm() { return *BaseForm; }
    SelectionState& state() { return state_; }

private:
    SelectionState state_;
    WidgetPrompts prompts_;
    // The other windows are the main window's children: declared after it, they are destroyed
    // before it and leave its child list themselves.
    std::unique_ptr<TBaseForm> BaseForm;
    std::unique_ptr<StartUp> startUp_;
    std::unique_ptr<TAboutForm> AboutForm;
    std::unique_ptr<TEditIniForm> EditIniForm;
    std::unique_ptr<TZastForm> ZastForm;
};

} // namespace sarvel
