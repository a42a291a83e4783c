#include "StartUp.h"

#include "DataFolder.h"
#include "Guard.h"
#include "IniFile.h"
#include "SelectionState.h"
#include "Settings.h"
#include "SpeedButton.h"
#include "StageView.h"
#include "TBaseForm.h"
#include "WordsZoom.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>
#include <optional>
#include <stdexcept>
#include <string>

namespace sarvel {

StartUp::StartUp(TBaseForm& form, SelectionState& state, Prompts& prompts)
    : form_(form), state_(state), prompts_(prompts) {}

// Each step runs behind its own guard: a kit icon that fails to load, or a settings file that
// can't be written, is reported and the window still comes up whole.
void StartUp::FormCreate() {
    state_.KitFileName = defaultKitPath();
    // The song pane keeps itself centred through the window's layout.

    StoredSettings settings;
    guarded(prompts_, [&] { settings = readSettings(); });
    state_.ColorRed = settings.red;
    state_.ColorGreen = settings.green;
    state_.ColorBlue = settings.blue;
    state_.KitFileName = settings.kitFile.isEmpty() ? defaultKitPath() : settings.kitFile;
    // A kit opened from a file manager becomes the current kit as "Kits" makes one; a kit that
    // can't be read is reported and the last kit stays.
    if (!startKit.isEmpty()) {
        guarded(prompts_, [&] {
            if (!QFileInfo(startKit).isFile())
                throw std::runtime_error(("Unable to read " + startKit).toStdString());
            [[maybe_unused]] const IniFile probe(startKit);
            state_.KitFileName = startKit;
        });
    }
    // A change of the box's state saves it at once, so a first run stores "OFF" here.
    form_.CheckBoxNoTxt->setChecked(settings.checkBoxNoTxt == QStringLiteral("ON"));
    form_.setWordsZoom(settings.wordsZoom);
    form_.stageView().zoom().setStep(settings.stageZoom);

    form_.setWindowColor(state_.ColorRed, state_.ColorGreen, state_.ColorBlue);
    form_.ScrollBarRed->setValue(state_.ColorRed);
    form_.ScrollBarGreen->setValue(state_.ColorGreen);
    form_.ScrollBarBlue->setValue(state_.ColorBlue);

    // The song fill runs again in theme 1's selection below; when it fails there as it did here,
    // that is the same fault, and it is reported once.
    std::optional<std::string> songFillError;
    if (QFileInfo(state_.KitFileName).isFile()) {
        guarded(prompts_, [&] {
            try {
                ReturnNameButtonSong(form_, state_);
            } catch (const std::exception& e) {
                songFillError = e.what();
                throw;
            }
        });
        // A bad song icon leaves the theme buttons to their own fill.
        guarded(prompts_, [&] { ReturnNameButtonTema(form_, state_); });
        form_.GroupBoxSong->setTitle(state_.KitFileName);
    } else {
        form_.LabelStatus->setText(QStringLiteral("Не могу найти файл c темами! "));
        form_.GroupBoxSong->setTitle(QStringLiteral("No File  ") + state_.KitFileName);
    }

    form_.TimerZast->start();
    form_.setWindowTitle(QStringLiteral(" ") + state_.KitFileName);

    // Without a mixer the message is shown and start-up still completes.
    if (mixerStartUp)
        guarded(prompts_, mixerStartUp);

    form_.showSongPane();
    form_.temaButton(1)->setChecked(true);
    state_.SelectedTemaNumber = 1;
    guarded(prompts_, [&] {
        try {
            JobTema(1, form_, state_);
        } catch (const std::exception& e) {
            if (songFillError != e.what())
                throw;
        }
    });
}

void StartUp::FormDestroy() {
    form_.ScrollBarVolume->setValue(1);
    guarded(prompts_,
            [&] { writeSettingsAtExit(state_, form_.wordsZoom(), form_.stageView().zoom().step()); });
    if (mixerShutDown)
        guarded(prompts_, mixerShutDown);
}

} // namespace sarvel
