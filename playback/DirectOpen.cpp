#include "DirectOpen.h"

#include "DataFolder.h"
#include "Prompts.h"
#include "SelectionState.h"
#include "TimedWords.h"
#include "Transport.h"
#include "Words.h"

#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QSlider>
#include <QToolButton>
#include <QWidget>

namespace sarvel {

DirectOpen::DirectOpen(const MainControls& controls, Transport& transport, Prompts& prompts,
                       SelectionState& state)
    : c_(controls), transport_(transport), prompts_(prompts), state_(state) {}

void DirectOpen::setDialogs(const Dialog& song, const Dialog& text) {
    songDialog_ = song;
    textDialog_ = text;
}

void DirectOpen::showSongPlaceholder() {
    const QString placeholder = dataPath(QStringLiteral("NoIcoS.bmp"));
    if (!QFileInfo(placeholder).isFile())
        return;
    const QImage picture(placeholder, "BMP");
    if (!picture.isNull())
        c_.ImageIcon->setPixmap(QPixmap::fromImage(picture));
}

void DirectOpen::SpeedButtonOpenTextClick() {
    c_.LabelStatus->setText(QStringLiteral(" "));
    const QString chosen = prompts_.openFile(QStringLiteral("Open RTF file"), textDialog_.initialDir,
                                             QString(), textDialog_.filter);
    if (chosen.isEmpty())
        return;
    textDialog_.initialDir = QFileInfo(chosen).absolutePath(); // the next choice starts there
    state_.TextFileName = chosen;
    c_.showTextPane();
    loadWords(*c_.RichEdit, chosen);
    transport_.resetCaret();
    transport_.timedWords().attach(chosen, existingFile(state_.SongFileName));
    transport_.timedWords().follow();
    c_.window->setWindowTitle(QStringLiteral("Text = ") + state_.TextFileName);
    showSongPlaceholder();
    c_.LabelNameButton->setText(QStringLiteral(" ----  "));
}

void DirectOpen::SpeedButtonOpenSongClick() {
    c_.LabelStatus->setText(QStringLiteral(" "));
    const QString chosen = prompts_.openFile(QStringLiteral("Open Wave file"), songDialog_.initialDir,
                                             QString(), songDialog_.filter);
    if (chosen.isEmpty())
        return;
    songDialog_.initialDir = QFileInfo(chosen).absolutePath(); // the next choice starts there
    state_.SongFileName = chosen;
    transport_.openSong(chosen);
    transport_.timedWords().attach(existingFile(state_.TextFileName), chosen);
    // A song opened here is as loaded as a launched one: Begin, Space and the end-of-song rewind
    // all work on it.
    state_.SongLoaded = true;
    c_.TrackBarSong->setValue(0);
    c_.SpeedButtonPlay->setChecked(false);
    c_.SpeedButtonPlay->setEnabled(true);
    c_.SpeedButtonBegin->setEnabled(true);
    c_.TrackBarSong->setEnabled(true);
    transport_.spanSong();
    c_.window->setWindowTitle(QStringLiteral("Song = ") + state_.SongFileName);
    showSongPlaceholder();
    c_.LabelNameButton->setText(QStringLiteral(" - "));
    transport_.SongStatusTime();
}

} // namespace sarvel
