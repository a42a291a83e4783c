#pragma once

#include "KeyTempo.h"

#include <QString>

class QKeyEvent;
class QLabel;

namespace sarvel {

class MediaPlayer;

// The song's key and tempo while it plays: the values its kit entries store, and the ones the
// keys have made of them for this playback (never written back). Ctrl+Up and Ctrl+Down move the
// key a semitone, Ctrl+Right and Ctrl+Left the tempo 5 %, Ctrl+Backspace goes back to the stored
// values. The top bar's label shows them while they differ from 0 and 100.
class KeyTempoKeys {
public:
    static constexpr int kTempoStep = 5;

    KeyTempoKeys(MediaPlayer& player, QLabel& label);

    // A new song: `stored` is what its entries say; playback starts with it.
    void setSong(const KeyTempo& stored);
    const KeyTempo& stored() const { return stored_; }
    const KeyTempo& live() const { return live_; }

    // Returns true when the key was one of the above and acted.
    bool key(const QKeyEvent& event);

    // "+2 st  90 %", the key with a true minus sign.
    static QString labelText(const KeyTempo& value);

private:
    void apply(const KeyTempo& value);

    MediaPlayer& player_;
    QLabel& label_;
    KeyTempo stored_;
    KeyTempo live_;
};

} // namespace sarvel
