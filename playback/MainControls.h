#pragma once

#include <functional>

class QCheckBox;
class QLabel;
class QScrollBar;
class QSlider;
class QTextEdit;
class QTimer;
class QToolButton;
class QWidget;

namespace sarvel {

// The main window's controls that playback reads and drives. The window fills it once; the
// playback objects never see the window class itself.
struct MainControls {
    QWidget* window = nullptr; // for its caption
    QLabel* ImageIcon = nullptr;
    QLabel* LabelNameButton = nullptr;
    QLabel* LabelStatus = nullptr;
    QToolButton* SpeedButtonToText = nullptr;
    QToolButton* SpeedButtonPlay = nullptr;
    QToolButton* SpeedButtonBegin = nullptr;
    QSlider* TrackBarSong = nullptr;
    QLabel* LabelSongTimeBeg = nullptr;
    QLabel* LabelSongTimeEnd = nullptr;
    QLabel* LabelSongLeghtTime = nullptr;
    QScrollBar* ScrollBarVolume = nullptr;
    QCheckBox* CheckBoxRepeat = nullptr;
    QCheckBox* CheckBoxPlay = nullptr;
    QCheckBox* CheckBoxKey = nullptr;
    QCheckBox* CheckBoxLefMP3 = nullptr;
    QCheckBox* CheckBoxNoTxt = nullptr;
    QTimer* TimerMp3rpt = nullptr;
    QTextEdit* RichEdit = nullptr;
    // Shows the words instead of the button grid (the view buttons stay as they are).
    std::function<void()> showTextPane;
    QLabel* LabelKeyTempo = nullptr; // the key and tempo, while not 0 and 100
};

} // namespace sarvel
