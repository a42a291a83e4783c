#include "Transport.h"

#include "KeyTempoKeys.h"
#include "MediaPlayer.h"
#include "SelectionState.h"
#include "SongTime.h"
#include "TimedWords.h"

#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

namespace sarvel {

Transport::Transport(const MainControls& controls, MediaPlayer& player, SelectionState& state)
    : c_(controls), player_(player), state_(state),
      timed_(std::make_unique<TimedWords>(*controls.RichEdit, player, *controls.SpeedButtonPlay)),
      keyTempo_(std::make_unique<KeyTempoKeys>(player, *controls.LabelKeyTempo)) {}

Transport::~Transport() = default;

void Transport::openSong(const QString& path, const KeyTempo& keyTempo) {
    // Play comes up first: with it still down from the song before, resetting the position bar
    // would start the new song, and a refused open would leave it down over silence.
    unloadSong();
    // Before the open, so the song's output is built in its key and tempo from its first sound.
    keyTempo_->setSong(keyTempo);
    player_.setFileName(path);
    player_.Open();
    player_.setPosition(0);
}

void Transport::unloadSong() {
    player_.Close();
    roundsSeen_ = 0;
    keyTempo_->setSong({});
    state_.SongLoaded = false;
    c_.TimerMp3rpt->stop();
    c_.SpeedButtonPlay->setChecked(false);
    c_.SpeedButtonPlay->setEnabled(false);
    c_.SpeedButtonBegin->setEnabled(false);
    {
        // Its change handler would ask the closed device for the time.
        const QSignalBlocker quiet(c_.TrackBarSong);
        c_.TrackBarSong->setRange(0, 0);
    }
    c_.TrackBarSong->setEnabled(false);
    c_.LabelSongLeghtTime->setText(lengthLabelText(0));
    c_.LabelSongTimeBeg->setText(elapsedLabelText(0));
    c_.LabelSongTimeEnd->setText(remainingLabelText(0));
    if (timeShown)
        timeShown();
}

void Transport::spanSong() {
    c_.TrackBarSong->setPageStep(player_.Frames());
    c_.TrackBarSong->setMaximum(player_.Length());
}

void Transport::SongStatusTime() {
    const int length = player_.Length();
    const int position = player_.Position();
    c_.LabelSongLeghtTime->setText(lengthLabelText(length));
    c_.LabelSongTimeBeg->setText(elapsedLabelText(position));
    c_.LabelSongTimeEnd->setText(remainingLabelText(length - player_.Position()));
    if (timeShown)
        timeShown();
}

void Transport::TrackBarSongChange() {
    if (state_.SeekOnSliderChange) {
        player_.setPosition(c_.TrackBarSong->value());
        if (c_.SpeedButtonPlay->isChecked())
            player_.Play();
        state_.SongLoaded = true;
        timed_->showAt(c_.TrackBarSong->value());
    }
    SongStatusTime();
}

void Transport::TimerPlayTimer() {
    if (player_.mode() == MediaPlayer::Mode::Playing) {
        const int position = player_.Position();
        // Repeating, the device went on from the end to the start since the last tick.
        const int rounds = player_.rounds();
        const bool looped = rounds != roundsSeen_;
        roundsSeen_ = rounds;
        if (position != 0)
            followWithCaret(position, player_.Length());
        state_.SeekOnSliderChange = false;
        c_.TrackBarSong->setValue(player_.Position());
        state_.SeekOnSliderChange = true;
        SongStatusTime();
        if (looped && songLooped)
            songLooped();
    }
    if (!state_.SongLoaded || player_.mode() == MediaPlayer::Mode::NotReady)
        return;
    // With "Repeat song" the device itself goes on from the start, without a gap.
    if (c_.CheckBoxRepeat->isChecked() && player_.mode() == MediaPlayer::Mode::Playing)
        return;
    if (player_.Position() + 1 >= player_.Length()) {
        c_.TrackBarSong->setValue(0);
        player_.setPosition(0);
        SongStatusTime();
        resetCaret();
        if (c_.CheckBoxRepeat->isChecked()) {
            player_.Play();
            if (songLooped)
                songLooped();
        } else {
            c_.SpeedButtonPlay->setChecked(false);
        }
    }
}

void Transport::SpeedButtonPlayClick() {
    if (c_.SpeedButtonPlay->isChecked()) {
        player_.setPosition(c_.TrackBarSong->value());
        try {
            player_.Play();
        } catch (...) {
            c_.SpeedButtonPlay->setChecked(false); // nothing plays: not down over silence
            throw;
        }
        c_.TimerMp3rpt->start();
        c_.ScrollBarVolume->setValue(state_.SongVolume);
    } else {
        c_.ScrollBarVolume->setValue(1);
        player_.Stop();
    }
}

void Transport::SpeedButtonBeginClick() {
    if (!state_.SongLoaded)
        return;
    c_.ScrollBarVolume->setValue(1);
    player_.setPosition(0);
    c_.TrackBarSong->setValue(0);
    resetCaret();
    player_.Play();
    c_.SpeedButtonPlay->setChecked(true);
    c_.ScrollBarVolume->setValue(state_.SongVolume);
}

void Transport::TimerMp3rptTimer() {
    // Switched off first: an error in the re-seek must not leave it ticking every 4 s.
    c_.TimerMp3rpt->stop();
    if (c_.CheckBoxLefMP3->isChecked())
        TrackBarSongChange();
}

bool Transport::spaceKeyActs() const {
    return state_.SongLoaded && c_.CheckBoxKey->isChecked();
}

bool Transport::keyTempoKey(const QKeyEvent& event) {
    return spaceKeyActs() && keyTempo_->key(event);
}

bool Transport::spaceKey() {
    if (!spaceKeyActs())
        return false;
    if (c_.SpeedButtonPlay->isChecked()) {
        player_.Stop();
        c_.SpeedButtonPlay->setChecked(false);
    } else {
        player_.setPosition(c_.TrackBarSong->value());
        player_.Play();
        c_.SpeedButtonPlay->setChecked(true);
    }
    return true;
}

void Transport::followWithCaret(int position, int length) {
    if (timed_->active() || timed_->held())
        return; // the timing file, or the taps timing the words, place the mark
    QTextEdit* edit = c_.RichEdit;
    QTextCursor cursor = edit->textCursor();
    const int textLength = edit->document()->characterCount() - 1;
    cursor.setPosition(caretIndex(textLength, position, length));
    edit->setTextCursor(cursor);
    markSungLine(*edit, cursor); // the caret's line
}

void Transport::resetCaret() {
    QTextCursor cursor = c_.RichEdit->textCursor();
    cursor.setPosition(0);
    c_.RichEdit->setTextCursor(cursor);
    SungMarks::of(*c_.RichEdit).clear();
    c_.RichEdit->verticalScrollBar()->setValue(0);
    timed_->rewind();
}

} // namespace sarvel
