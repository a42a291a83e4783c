#include "Launch.h"

#include "DataFolder.h"
#include "IniFile.h"
#include "KeyTempoKeys.h"
#include "MediaPlayer.h"
#include "Picture.h"
#include "SelectionState.h"
#include "TimedWords.h"
#include "Transport.h"
#include "VolumeController.h"
#include "Words.h"

#include <QCheckBox>
#include <QLabel>
#include <QPixmap>
#include <QScrollBar>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

namespace sarvel {

Launch::Launch(const MainControls& controls, MediaPlayer& player, Transport& transport,
               VolumeController& volume, SelectionState& state)
    : c_(controls), player_(player), transport_(transport), volume_(volume), state_(state) {}

void Launch::PlayAndText(int number) {
    // Down to the lowest step first, and once more directly, so the speakers get it even when the
    // slider already stood there.
    c_.ScrollBarVolume->setValue(1);
    volume_.ScrollBarVolumeChange();
    state_.SongNumber = number;
    c_.LabelStatus->setText(QStringLiteral(" "));

    KeyTempo keyTempo;
    {
        const IniFile kit(state_.KitFileName);
        const QString section = state_.CurrentSection;
        const QString n = QString::number(number);
        state_.TextFileName = kit.readString(section, "Text" + n, QStringLiteral("C:\\SARVEL\\NoRtf.rtf"));
        state_.SongFileName = kit.readString(section, "Song" + n, QString());
        state_.SongCaption = kit.readString(section, "Button" + n, QStringLiteral("No Name"));
        state_.IconFileName = kit.readString(section, "Icon" + n, QStringLiteral("-"));
        state_.SongVolume = kit.readInt(section, "Vol" + n, 50);
        keyTempo = KeyTempo::read(kit, section, number);
    }

    if (c_.CheckBoxNoTxt->isChecked()) {
        c_.SpeedButtonToText->setChecked(true);
        c_.showTextPane();
    }
    if (namesExistingFile(state_.IconFileName))
        c_.ImageIcon->setPixmap(QPixmap::fromImage(loadPicture(fromStoredPath(state_.IconFileName))));
    c_.LabelNameButton->setText(QStringLiteral("  ") + state_.SongCaption + QStringLiteral("  "));

    if (namesExistingFile(state_.TextFileName))
        loadWords(*c_.RichEdit, fromStoredPath(state_.TextFileName));
    else
        c_.LabelStatus->setText(c_.LabelStatus->text() + QStringLiteral("No file RTF! "));
    transport_.resetCaret();
    transport_.timedWords().attach(existingFile(state_.TextFileName), existingFile(state_.SongFileName));

    if (namesExistingFile(state_.SongFileName)) {
        transport_.openSong(fromStoredPath(state_.SongFileName), keyTempo);
        state_.SongLoaded = true;
        c_.TrackBarSong->setValue(0);
        c_.SpeedButtonPlay->setEnabled(true);
        c_.SpeedButtonBegin->setEnabled(true);
        c_.SpeedButtonPlay->setChecked(true);
        c_.TrackBarSong->setEnabled(true);
        transport_.spanSong();
        c_.TimerMp3rpt->start();
        if (c_.CheckBoxPlay->isChecked())
            player_.Play();
        else
            c_.SpeedButtonPlay->setChecked(false);
    } else {
        c_.LabelStatus->setText(c_.LabelStatus->text() + QStringLiteral("no Wave File!"));
        // The words shown are no longer the open song's: nothing stays to play.
        transport_.unloadSong();
    }

    if (state_.SongLoaded)
        transport_.SongStatusTime();
    c_.window->setWindowTitle(QStringLiteral(" ") + state_.KitFileName);
    c_.ScrollBarVolume->setValue(state_.SongVolume);
}

} // namespace sarvel
