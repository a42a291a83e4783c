#pragma once

#include "KeyTempo.h"
#include "PathLabel.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QSpinBox;
class QToolButton;

namespace sarvel {

class EditorHost;
class Prompts;
struct SelectionState;

// The kit editor: edits one song button (EditMode 1) or one theme button (2) of the current kit,
// or creates a new kit file (3). Made once and only hidden between uses, so its controls and
// working values keep their content from one use to the next.
class TEditIniForm : public QDialog {
    Q_OBJECT
public:
    // A file chooser's settings; it opens on the file last chosen in it, in that file's folder.
    struct FileChooser {
        QString filter; // in Qt's form
        QString initialDir;
        QString fileName;
    };

    TEditIniForm(SelectionState& state, Prompts& prompts, EditorHost& host, QWidget* parent = nullptr);
    ~TEditIniForm() override;

    // Fills the dialog for EditMode and runs it modally. False when the kit could not be read
    // and the dialog was not shown.
    bool showModal();

    // Handlers.
    void FormCreate();
    void FormActivate();
    void EditNameButtonKeyUp();
    void EditTemaButtonKeyUp();
    void SpeedButtonOpenTextClick();
    void SpeedButtonOpenSongClick();
    void SpeedButtonIconClick();
    void SpeedButtonIcoTemaClick();
    void SpeedButtonDelRtfClick();
    void SpeedButtonDelSongClick();
    void SpeedButtonDelIconClick();
    void SpeedButtonIcotemadelClick();
    void ScrollBarVolChange();
    void CheckBoxVolumeOnClick();
    void BitBtnEscClick();
    void BitBtnOKClick();
    void SpeedButtonNewClick();

    // Working values: a full path or the none marker "-".
    QString EditTextFileName;
    QString EditSongFileName;
    QString EditIconFileName;
    QString EditTemaIconFileName;

    QPushButton* BitBtnOK = nullptr;
    QPushButton* BitBtnEsc = nullptr;

    QGroupBox* GroupBoxFile = nullptr;
    QLineEdit* Editfile = nullptr;
    QToolButton* SpeedButtonNew = nullptr;
    QPushButton* BitBtn1 = nullptr;

    QGroupBox* GroupBoxTema = nullptr;
    QToolButton* SpeedButtonIcoTema = nullptr;
    QToolButton* SpeedButtonIcotemadel = nullptr;
    editorui::PathLabel* LabelIcoTema = nullptr;
    QToolButton* SpeedButtonTempTema = nullptr;
    QLineEdit* EditTemaButton = nullptr;
    QToolButton* SpeedButtonNewTema = nullptr;
    QToolButton* SpeedButtonDeleteSection = nullptr;

    QGroupBox* GroupBoxSong = nullptr;
    QToolButton* SpeedButtonIcon = nullptr;
    QToolButton* SpeedButtonDelIcon = nullptr;
    editorui::PathLabel* LabelIcon = nullptr;
    QToolButton* SpeedButtonOpenText = nullptr;
    QToolButton* SpeedButtonDelRtf = nullptr;
    editorui::PathLabel* LabelNameRtf = nullptr;
    QToolButton* SpeedButtonOpenSong = nullptr;
    QToolButton* SpeedButtonDelSong = nullptr;
    editorui::PathLabel* LabelNameSong = nullptr;
    QToolButton* SpeedButtonSongTemp = nullptr;
    QLineEdit* EditNameButton = nullptr;
    QCheckBox* CheckBoxVolumeOn = nullptr;
    QScrollBar* ScrollBarVol = nullptr;
    QLabel* Labelv = nullptr;
    QLabel* LabelVol = nullptr;
    QLabel* LabelKey = nullptr;
    QSpinBox* SpinEditKey = nullptr; // semitones
    QLabel* LabelTempo = nullptr;
    QSpinBox* SpinEditTempo = nullptr; // percent

    FileChooser OpenDialogText;
    FileChooser OpenDialogSong;
    FileChooser OpenPictureDialog;

public slots:
    // Any close: a theme edit that did not end in a refill puts the shown theme's section back.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildFileGroup();
    void buildTemaGroup();
    void buildSongGroup();
    void layOut();
    void wireHandlers();
    void activateSong();
    void activateTema();
    void activateFile();
    // The chosen path, or empty when the chooser was cancelled; remembered for its next opening.
    QString choose(FileChooser& chooser, bool picture);
    void showPicture(QToolButton* preview, const QString& path);
    // False, after saying which character and why, when the kit's encoding cannot hold a caption
    // or path that OK would write.
    bool kitHoldsEdits();
    template <class F> void guard(F&& f);

    SelectionState& state_;
    Prompts& prompts_;
    EditorHost& host_;
    // CurrentSection as it was before a theme activation changed it.
    std::optional<QString> sectionToRestore_;
    // Key and tempo as the song opened with, so OK writes only what the user changed.
    KeyTempo openedKeyTempo_;
};

} // namespace sarvel
