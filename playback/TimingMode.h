#pragma once

#include "MainControls.h"
#include "TapAlong.h"

#include <QString>
#include <cstdint>

class QKeyEvent;

namespace sarvel {

class MediaPlayer;
class Prompts;
struct SelectionState;
class Transport;

// Timing the shown words by tapping along with the song. While the mode is on, Enter, Down or
// Page Down (what a foot pedal or page turner sends) stamps the song's time on the next line and
// marks it, Up or Page Up takes the last stamp back, Esc leaves without writing. Leaving it
// otherwise (its button or T again, Stop, the song's end or "Repeat song" going round, the window
// closing) writes the timing file beside the words, asking first before replacing one, and the
// words follow it at once.
//
// [ and ] show the words 100 ms later or earlier: in the mode for the file it writes; outside it
// at once on the timing file followed, whose offset tag is rewritten (nothing else) when the song
// next stops. Saving on each press would write to disk in the middle of a song.
class TimingMode {
public:
    static constexpr int nudgeMs = 100;

    TimingMode(const MainControls& controls, MediaPlayer& player, Transport& transport, SelectionState& state,
               Prompts& prompts, QToolButton& button);

    bool on() const { return on_; }
    // The button or T: starts the mode, or leaves it writing.
    void toggle();
    // Esc: leaves without writing.
    void cancel();
    // A key pressed in the window or the words; true when the mode used it. `inWords`: the
    // words would otherwise type it.
    bool key(const QKeyEvent& event, bool inWords);
    // The song stopped (Play came up) or went round again: the mode ends writing, a nudged offset
    // is saved.
    void songStopped();
    // The window closes: the mode ends writing, as by its key. Without `ask` (a stop signal, no
    // one to answer) a timing file that exists is kept, as if told No.
    void leave(bool ask = true);

private:
    void start();
    void finish(bool write, bool ask = true);
    void nudge(std::int64_t ms);
    void mark(const WordsLine* line);
    void saveOffset();
    QString target() const;

    const MainControls& c_;
    MediaPlayer& player_;
    Transport& transport_;
    SelectionState& state_;
    Prompts& prompts_;
    QToolButton& button_;
    bool on_ = false;
    bool wasReadOnly_ = false;
    TapAlong taps_;
    std::int64_t offset_ = 0;
    QString words_;     // the words file timed, empty when the words are not shown
    QString song_;      // the song's file
    QString shownText_; // the words as they were, to tell whether they are still shown
    QString nudged_;    // the timing file whose offset was moved outside the mode, until saved
    std::int64_t nudgedOffset_ = 0;
};

} // namespace sarvel
