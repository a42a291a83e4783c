#pragma once

namespace sarvel {

class GridView;

// What the kit editor needs of the main window: its button grid for the fills, and the two
// controls of the volume coupling. Keeps the editor free of the main window's class.
class EditorHost {
public:
    virtual ~EditorHost() = default;

    virtual GridView& grid() = 0;
    // The main window's "Volume New Show Form" check box.
    virtual bool volumeOn() const = 0;
    virtual void setVolumeOn(bool on) = 0;
    // Moves the main volume scroll bar, whose own change handler then sets the playback volume.
    virtual void setMainVolume(int position) = 0;
};

} // namespace sarvel
