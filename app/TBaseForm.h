#pragma once

#include "ButtonGrid.h"
#include "DiskFigures.h"
#include "MainControls.h"
#include "MediaPlayer.h"
#include "OpenDialog.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

class QButtonGroup;
class QKeyEvent;
class QCheckBox;
class QGroupBox;
class QLabel;
class QScrollArea;
class QScrollBar;
class QSlider;
class QTextEdit;
class QTimer;
class QToolButton;

namespace sarvel {

class DirectOpen;
class KitActions;
class Launch;
class Prompts;
class SpeedButton;
class StageView;
class TAboutForm;
class TimingMode;
class Transport;
class TZastForm;
class VolumeController;
class WordsZoom;
struct SelectionState;

// The program's one working window: top bar, position bar, the song pane with the button grid,
// the text pane and the options panel. It builds and owns its controls; what the controls do
// lives in the objects it delegates to.
class TBaseForm : public QMainWindow, public GridView {
    Q_OBJECT
public:
    TBaseForm(SelectionState& state, Prompts& prompts, QWidget* parent = nullptr);
    ~TBaseForm() override;

    // GridView
    void setSongCaption(int number, const QString& caption) override;
    void setSongGlyph(int number, const QImage& glyph) override;
    void setTemaCaption(int number, const QString& caption) override;
    void setTemaGlyph(int number, const QImage& glyph) override;
    void pressSong(int number) override;

    SpeedButton* songButton(int number) const { return SpeedButtonSong.at(number); }
    SpeedButton* temaButton(int number) const { return SpeedButtonTema.at(number); }

    // Shows one of the two panes (the options panel lies over either).
    void showSongPane();
    void showTextPane();
    bool songPaneShown() const;
    bool textPaneShown() const;

    void setWindowColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    QColor windowColor() const;

    void setSplash(TZastForm* splash) { splash_ = splash; }
    // Where the options panel's disk figures come from (bytes, -1 when unknown); tests stand in
    // for disks of other sizes.
    void setDriveFigures(std::function<qint64()> size, std::function<qint64()> free) {
        driveSize_ = std::move(size);
        driveFree_ = std::move(free);
    }
    void setAbout(TAboutForm* about) { about_ = about; }
    // The speakers' volume, driven by ScrollBarVolume.
    VolumeController& volume() { return *volume_; }
    Transport& transport() { return *transport_; }
    Launch& launch() { return *launch_; }
    DirectOpen& directOpen() { return *directOpen_; }
    // Right clicks on the grid, "Kits" and "New file"; the kit editor is handed to it.
    KitActions& kitActions() { return *kitActions_; }
    // Timing the words by tapping along.
    TimingMode& timingMode() { return *timing_; }

    // Handlers.
    void SpeedButtonToSongClick();
    void SpeedButtonToTextClick();
    void SpeedButtonTemaClick(int tema);
    void SpeedButtonOptionClick();
    void CheckBoxButtonBeginClick();
    void CheckBoxNoTxtClick();
    void ScrollBarRedChange();
    void ScrollBarGreenChange();
    void ScrollBarBlueChange();
    void TimerZastTimer();
    void SpeedButtonHelpClick();
    void SpeedButtonSongClick(int number);
    void FormKeyDown(QKeyEvent* event);
    // Space typed in the words: returns true when it started or stopped the song, so the
    // space is not also typed into them.
    bool RichEditKeyDown(QKeyEvent* event);
    // Steps of the words pane's zoom, 0 for the words' own sizes.
    int wordsZoom() const;
    void setWordsZoom(int step);
    // The words full screen, shown with F11 or the top bar's button.
    StageView& stageView() const { return *stage_; }

    // Top bar.
    QLabel* ImageIcon = nullptr;
    QToolButton* SpeedButtonOpenText = nullptr;
    QToolButton* SpeedButtonOpenSong = nullptr;
    QToolButton* SpeedButtonHelp = nullptr;
    QToolButton* SpeedButtonNewFile = nullptr;
    QToolButton* SpeedButtonStage = nullptr;
    QToolButton* SpeedButtonTiming = nullptr;
    QToolButton* SpeedButtonFileIniOpen = nullptr;
    QToolButton* SpeedButtonToSong = nullptr;
    QToolButton* SpeedButtonToText = nullptr;
    QToolButton* SpeedButtonBegin = nullptr;
    QToolButton* SpeedButtonPlay = nullptr;
    QLabel* LabelNameButton = nullptr;
    QLabel* LabelKeyTempo = nullptr;
    QGroupBox* GroupBoxStatus = nullptr;
    QLabel* LabelSongTimeBeg = nullptr;
    QLabel* LabelSongTimeEnd = nullptr;
    QLabel* LabelSongLeghtTime = nullptr;
    QLabel* LabelStatus = nullptr;
    QToolButton* SpeedButtonOption = nullptr;
    QScrollBar* ScrollBarVolume = nullptr;
    QLabel* LabelVol = nullptr;
    QLabel* LabelVolume = nullptr;
    QSlider* TrackBarSong = nullptr;

    // Panes.
    QGroupBox* GroupBoxSong = nullptr;
    std::array<SpeedButton*, kTemaButtons + 1> SpeedButtonTema{}; // [1..20]
    std::array<SpeedButton*, kSongButtons + 1> SpeedButtonSong{}; // [1..50]
    QTextEdit* RichEdit = nullptr;

    // Options panel.
    QGroupBox* GroupBoxOption = nullptr;
    QScrollBar* ScrollBarRed = nullptr;
    QScrollBar* ScrollBarGreen = nullptr;
    QScrollBar* ScrollBarBlue = nullptr;
    QLabel* LabelDiskSize = nullptr;
    QLabel* LabelDiskFree = nullptr;
    QCheckBox* CheckBoxRepeat = nullptr;
    QCheckBox* CheckBoxPlay = nullptr;
    QCheckBox* CheckBoxButtonBegin = nullptr;
    QCheckBox* CheckBoxKey = nullptr;
    QCheckBox* CheckBoxLefMP3 = nullptr;
    QCheckBox* CheckBoxNoTxt = nullptr;
    QCheckBox* CheckBoxVolumeOn = nullptr;

    // Non-visual parts.
    sarvel::MediaPlayer MediaPlayer;
    OpenDialog OpenDialogSong;
    OpenDialog OpenDialogText;
    OpenDialog OpenDialogIniFile;
    QTimer* TimerPlay = nullptr;
    QTimer* TimerZast = nullptr;
    QTimer* TimerMp3rpt = nullptr;

    QButtonGroup* ViewGroup = nullptr;
    QButtonGroup* TemaGroup = nullptr;
    QButtonGroup* SongGroup = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildTopBar();
    QWidget* buildSongPane();
    void buildOptionPanel(QWidget* parent);
    void buildDialogsAndTimers();
    void wireHandlers();
    void placeOptionPanel();
    // Runs a handler behind the error guard.
    template <class F> void guard(F&& f);

    SelectionState& state_;
    Prompts& prompts_;
    TZastForm* splash_ = nullptr;
    TAboutForm* about_ = nullptr;
    std::function<qint64()> driveSize_ = currentDriveSize;
    std::function<qint64()> driveFree_ = currentDriveFree;
    MainControls controls_;
    std::unique_ptr<VolumeController> volume_;
    std::unique_ptr<Transport> transport_;
    std::unique_ptr<Launch> launch_;
    std::unique_ptr<DirectOpen> directOpen_;
    std::unique_ptr<KitActions> kitActions_;
    std::unique_ptr<TimingMode> timing_;
    QWidget* content_ = nullptr;
    QScrollArea* songScroll_ = nullptr;
    WordsZoom* wordsZoom_ = nullptr; // owned by the words pane
    std::unique_ptr<StageView> stage_;
};

} // namespace sarvel
