#pragma once

#include "EditorHost.h"

#include <QString>

#include <Qt>

namespace sarvel {

class Prompts;
class TBaseForm;
class TEditIniForm;
struct SelectionState;

// The main window's kit actions: right clicks on the grid's buttons open the kit editor, "Kits"
// opens another kit and "New file" creates one. Also the editor's way back into the main window.
class KitActions : public EditorHost {
public:
    // Wires the grid's mouse-down signals and the two tool buttons to the handlers below.
    KitActions(TBaseForm& form, SelectionState& state, Prompts& prompts);

    // The editor is made after the main window; until then right clicks and "New file" do nothing.
    void setEditor(TEditIniForm* editor) { editor_ = editor; }
    TEditIniForm* editor() const { return editor_; }

    // The families SpeedButtonSong01MouseDown … and SpeedButtonTema1MouseDown …, by number.
    void SpeedButtonSongMouseDown(int number, Qt::MouseButton button);
    void SpeedButtonTemaMouseDown(int tema, Qt::MouseButton button);
    void SpeedButtonFileIniOpenClick();
    void SpeedButtonNewFileClick();

    // EditorHost
    GridView& grid() override;
    bool volumeOn() const override;
    void setVolumeOn(bool on) override;
    void setMainVolume(int position) override;

private:
    void wireHandlers();

    TBaseForm& form_;
    SelectionState& state_;
    Prompts& prompts_;
    TEditIniForm* editor_ = nullptr;
};

// The group box's name for a kit: the first 7 characters of its file name, less an extension
// found within them ("Concerts.vkt" gives "Concert", "First.vkt" gives "First").
QString kitShortName(const QString& path);

} // namespace sarvel
