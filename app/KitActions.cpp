#include "KitActions.h"

#include "ButtonGrid.h"
#include "DataFolder.h"
#include "Guard.h"
#include "IniFile.h"
#include "Prompts.h"
#include "SelectionState.h"
#include "SpeedButton.h"
#include "TBaseForm.h"
#include "TEditIniForm.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>
#include <QTextEdit>
#include <QToolButton>
#include <algorithm>

namespace sarvel {

namespace {

// The glyph stored for a button, when its file exists.
std::optional<QImage> storedGlyph(const QString& kitPath, const QString& section, int number) {
    const QString icon = IniFile(kitPath).readString(section, "Icon" + QString::number(number), "-");
    if (!namesExistingFile(icon))
        return std::nullopt;
    return loadGlyph(fromStoredPath(icon));
}

} // namespace

QString kitShortName(const QString& path) {
    // Either separator: a kit path may have been typed the Windows way.
    const qsizetype separator =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    QString name = path.mid(separator + 1).left(7);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name;
}

KitActions::KitActions(TBaseForm& form, SelectionState& state, Prompts& prompts)
    : form_(form), state_(state), prompts_(prompts) {
    wireHandlers();
}

void KitActions::wireHandlers() {
    const auto guard = [this](auto&& handler) { guarded(prompts_, handler); };
    for (int n = 1; n <= kSongButtons; ++n)
        QObject::connect(
            form_.songButton(n), &SpeedButton::mouseDown, &form_,
            [this, guard, n](Qt::MouseButton b) { guard([&] { SpeedButtonSongMouseDown(n, b); }); });
    for (int t = 1; t <= kTemaButtons; ++t)
        QObject::connect(
            form_.temaButton(t), &SpeedButton::mouseDown, &form_,
            [this, guard, t](Qt::MouseButton b) { guard([&] { SpeedButtonTemaMouseDown(t, b); }); });
    QObject::connect(form_.SpeedButtonFileIniOpen, &QToolButton::clicked, &form_,
                     [this, guard] { guard([this] { SpeedButtonFileIniOpenClick(); }); });
    QObject::connect(form_.SpeedButtonNewFile, &QToolButton::clicked, &form_,
                     [this, guard] { guard([this] { SpeedButtonNewFileClick(); }); });
}

void KitActions::SpeedButtonSongMouseDown(int number, Qt::MouseButton button) {
    if (button != Qt::RightButton || !editor_)
        return;
    state_.SongNumber = number;
    state_.EditMode = 1;
    if (!editor_->showModal())
        return; // the kit could not be read: the button keeps what it shows
    form_.setSongCaption(number, state_.SongCaption);
    if (const auto glyph = storedGlyph(state_.KitFileName, state_.CurrentSection, number))
        form_.setSongGlyph(number, *glyph);
}

void KitActions::SpeedButtonTemaMouseDown(int tema, Qt::MouseButton button) {
    if (button != Qt::RightButton || !editor_)
        return;
    state_.TemaNumber = tema;
    state_.EditMode = 2;
    if (!editor_->showModal())
        return;
    form_.setTemaCaption(tema, state_.TemaCaption);
    if (const auto glyph = storedGlyph(state_.KitFileName, QStringLiteral("TemaArtist"), tema))
        form_.setTemaGlyph(tema, *glyph);
}

void KitActions::SpeedButtonFileIniOpenClick() {
    form_.LabelStatus->setText(QStringLiteral(" "));
    form_.RichEdit->hide();
    form_.GroupBoxSong->hide();
    OpenDialog& dialog = form_.OpenDialogIniFile;
    // A typed name of a kit that does not exist yet is taken: it shows the default buttons.
    const QString chosen =
        prompts_.openAnyFile(QStringLiteral("Open"), dialog.initialDir, dialog.fileName, dialog.filter);
    // The next opening starts in the folder of this choice, on this file.
    if (!chosen.isEmpty()) {
        dialog.initialDir = QFileInfo(chosen).absolutePath();
        dialog.fileName = chosen;
    }
    // A kit that cannot be read is reported and never becomes current: the previous one stays,
    // with its theme, songs and captions, and is still the kit saved at exit.
    if (!chosen.isEmpty() && guarded(prompts_, [&] { [[maybe_unused]] const IniFile probe(chosen); })) {
        state_.KitFileName = chosen;
        // Theme 1 becomes current, so the pressed theme button and the songs shown agree. Each
        // fill runs behind its own guard: a bad song icon still lets the theme captions fill, and
        // the window comes back to the song pane.
        state_.SelectedTemaNumber = 1;
        guarded(prompts_, [this] { JobTema(1, form_, state_); });
        guarded(prompts_, [this] { ReturnNameButtonTema(form_, state_); });
        form_.temaButton(1)->setChecked(true);
        form_.GroupBoxSong->setTitle(kitShortName(chosen));
    }
    form_.showSongPane();
    form_.SpeedButtonToSong->setChecked(true);
    form_.setWindowTitle(QStringLiteral(" ") + state_.KitFileName);
}

void KitActions::SpeedButtonNewFileClick() {
    form_.LabelStatus->setText(QStringLiteral(" "));
    if (!editor_)
        return;
    state_.EditMode = 3;
    editor_->showModal();
    if (QFileInfo(state_.KitFileName).isFile()) {
        guarded(prompts_, [this] { ReturnNameButtonSong(form_, state_); });
        guarded(prompts_, [this] { ReturnNameButtonTema(form_, state_); });
        form_.GroupBoxSong->setTitle(state_.KitFileName);
        form_.setWindowTitle(QStringLiteral("JOB kits = ") + state_.KitFileName);
    } else {
        // The c in "c темами" is a Latin letter, as the message has always been written.
        form_.LabelStatus->setText(QStringLiteral("Не могу найти файл c темами! "));
        form_.GroupBoxSong->setTitle(QStringLiteral("No File  ") + state_.KitFileName);
    }
}

GridView& KitActions::grid() {
    return form_;
}

bool KitActions::volumeOn() const {
    return form_.CheckBoxVolumeOn->isChecked();
}

void KitActions::setVolumeOn(bool on) {
    form_.CheckBoxVolumeOn->setChecked(on);
}

void KitActions::setMainVolume(int position) {
    form_.ScrollBarVolume->setValue(position);
}

} // namespace sarvel
