#pragma once

#include "KeyTempo.h"
#include "MainControls.h"

#include <functional>
#include <memory>

class QKeyEvent;
class QString;

namespace sarvel {

class KeyTempoKeys;
class MediaPlayer;
struct SelectionState;
class TimedWords;

// Play/Stop, Begin, the position bar, the time labels, the end of the song and the Space key.
// The window wires its controls' signals to these handlers behind its error guard.
class Transport {
public:
    Transport(const MainControls& controls, MediaPlayer& player, SelectionState& state);
    ~Transport();

    // Closes what was open and opens `path` at its start, in `keyTempo`. Should the device refuse
    // it, no song stays loaded.
    void openSong(const QString& path, const KeyTempo& keyTempo = {});
    // Closes the open song and leaves the transport with nothing to play: Play up and disabled,
    // Begin and the position bar disabled, Space idle.
    void unloadSong();
    // The position bar spans the open song, a tenth of it per page.
    void spanSong();

    void SongStatusTime();
    void TrackBarSongChange();
    void TimerPlayTimer();
    void SpeedButtonPlayClick();
    void SpeedButtonBeginClick();
    void TimerMp3rptTimer();
    // Space in the window or the words: starts or stops the song. Returns true when it did,
    // so the words pane can keep the space out of the text.
    bool spaceKey();
    // Ctrl+arrows and Ctrl+Backspace, for the key and the tempo: as Space, only while it acts.
    // Returns true when the key changed them or was theirs.
    bool keyTempoKey(const QKeyEvent& event);
    // Whether Space acts on the song now (a song is loaded and "Keyboard " is on).
    bool spaceKeyActs() const;
    // Puts the caret of the words where the song stands and keeps its line in view.
    void followWithCaret(int position, int length);
    // Back to the start of the words, as a new song begins.
    void resetCaret();
    // The words' timing file, when they have one; it then marks the sung line instead of the caret.
    TimedWords& timedWords() { return *timed_; }
    // Told after the time labels changed, for the views that repeat them.
    std::function<void()> timeShown;
    // Told when "Repeat song" took the song from its end back to its start: its end for all else.
    std::function<void()> songLooped;

    // The open song's key and tempo.
    KeyTempoKeys& keyTempo() { return *keyTempo_; }

private:
    const MainControls& c_;
    MediaPlayer& player_;
    SelectionState& state_;
    std::unique_ptr<TimedWords> timed_;
    std::unique_ptr<KeyTempoKeys> keyTempo_;
    int roundsSeen_ = 0; // of the device's repeats, those already told as songLooped
};

} // namespace sarvel
