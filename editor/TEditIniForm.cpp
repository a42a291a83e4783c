#include "TEditIniForm.h"

#include "ButtonGrid.h"
#include "ButtonSave.h"
#include "DataFolder.h"
#include "EditorHost.h"
#include "EditorWidgets.h"
#include "Guard.h"
#include "IniFile.h"
#include "NewKit.h"
#include "SelectionState.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>
#include <vector>

namespace sarvel {

using namespace editorui;

namespace {

const QString kNone = QStringLiteral("-");
constexpr int kFormSize = 550;

// A caption is one line in the kit: pasted line breaks become spaces.
QString singleLine(const QString& text) {
    static const QRegularExpression lineBreak(QStringLiteral(u"\r\n|[\r\n\u2028\u2029]"));
    return QString(text).replace(lineBreak, QStringLiteral(" "));
}

} // namespace

TEditIniForm::TEditIniForm(SelectionState& state, Prompts& prompts, EditorHost& host, QWidget* parent)
    : QDialog(parent), state_(state), prompts_(prompts), host_(host) {
    setObjectName(QStringLiteral("EditIniForm"));
    setWindowTitle(QStringLiteral("Редактирование кнопки SONG"));
    setModal(true);
    setAutoFillBackground(true);
    QPalette cream = palette();
    cream.setColor(QPalette::Window, QColor(255, 251, 240));
    setPalette(cream);
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);

    BitBtnOK = dialogButton(this, "BitBtnOK", QStringLiteral("OK"), QStyle::SP_DialogOkButton,
                            QRect(360, 416, 75, 25));
    BitBtnOK->setDefault(true);
    BitBtnEsc = dialogButton(this, "BitBtnEsc", QStringLiteral("Cancel"), QStyle::SP_DialogCancelButton,
                             QRect(448, 416, 75, 25));
    buildFileGroup();
    buildTemaGroup();
    buildSongGroup();
    layOut();

    OpenDialogText = {QStringLiteral("RTF files (*.rtf)"), dataPath(QStringLiteral("TEXTS")), {}};
    OpenDialogSong = {QStringLiteral("mp3 (*.mp3);;wav (*.wav);;midi (*.mid *.kar);;all (*.*)"),
                      dataPath(QStringLiteral("SONGS")),
                      {}};
    OpenPictureDialog = {QStringLiteral("Bitmaps (*.bmp)"), dataPath(QStringLiteral("ICONS")), {}};

    wireHandlers();
    FormCreate();
}

TEditIniForm::~TEditIniForm() = default;

void TEditIniForm::buildFileGroup() {
    GroupBoxFile =
        group(this, "GroupBoxFile", QStringLiteral("Name File New or SaveAs"), QRect(8, 8, 521, 57));
    Editfile = editBox(GroupBoxFile, "Editfile", GroupBoxFile->title(), QRect(8, 20, 337, 21), 8);
    Editfile->setText(QStringLiteral("Editfile"));
    SpeedButtonNew = speedButton(GroupBoxFile, "SpeedButtonNew", QStringLiteral("CreateFile"),
                                 style()->standardIcon(QStyle::SP_FileIcon), QRect(352, 19, 73, 22),
                                 QStringLiteral("Create the kit file"));
    BitBtn1 = dialogButton(GroupBoxFile, "BitBtn1", QStringLiteral("Cancel"), QStyle::SP_DialogCancelButton,
                           QRect(430, 18, 75, 23));
    auto* row = new QHBoxLayout(GroupBoxFile);
    row->addWidget(Editfile, 1);
    row->addWidget(SpeedButtonNew);
    row->addWidget(BitBtn1);
}

void TEditIniForm::buildTemaGroup() {
    GroupBoxTema = group(this, "GroupBoxTema", QStringLiteral("Button TEMA"), QRect(8, 72, 521, 89));
    const QString ico = QStringLiteral("Ico");
    SpeedButtonIcoTema = speedButton(GroupBoxTema, "SpeedButtonIcoTema", ico,
                                     style()->standardIcon(QStyle::SP_DialogOpenButton), QRect(8, 18, 57, 23),
                                     QStringLiteral("Choose the icon"));
    SpeedButtonIcotemadel = speedButton(GroupBoxTema, "SpeedButtonIcotemadel", ico,
                                        style()->standardIcon(QStyle::SP_DialogDiscardButton),
                                        QRect(72, 18, 57, 23), QStringLiteral("Clear the icon"));
    LabelIcoTema = pathLabel(GroupBoxTema, "LabelIcoTema", 136, 16);
    SpeedButtonTempTema =
        previewButton(GroupBoxTema, "SpeedButtonTempTema", QStringLiteral("Tema"), QRect(8, 48, 121, 25));
    EditTemaButton =
        editBox(GroupBoxTema, "EditTemaButton", GroupBoxTema->title(), QRect(136, 51, 121, 24), 10);
    // Kept for the form's shape; there is no operation that adds or removes a theme.
    SpeedButtonNewTema = speedButton(GroupBoxTema, "SpeedButtonNewTema", QStringLiteral("New"), {},
                                     QRect(448, 18, 57, 23), {});
    SpeedButtonDeleteSection = speedButton(GroupBoxTema, "SpeedButtonDeleteSection", QStringLiteral("Tema"),
                                           {}, QRect(384, 18, 57, 23), {});
    SpeedButtonNewTema->hide();
    SpeedButtonDeleteSection->hide();

    auto* grid = new QGridLayout(GroupBoxTema);
    grid->addWidget(SpeedButtonIcoTema, 0, 0);
    grid->addWidget(SpeedButtonIcotemadel, 0, 1);
    grid->addWidget(LabelIcoTema, 0, 2);
    grid->addWidget(SpeedButtonDeleteSection, 0, 3);
    grid->addWidget(SpeedButtonNewTema, 0, 4);
    grid->addWidget(SpeedButtonTempTema, 1, 0, 1, 2);
    grid->addWidget(EditTemaButton, 1, 2, 1, 3);
    grid->setColumnStretch(2, 1);
}

void TEditIniForm::buildSongGroup() {
    GroupBoxSong = group(this, "GroupBoxSong", QStringLiteral("Button SONG"), QRect(8, 176, 521, 233));
    const QIcon open = style()->standardIcon(QStyle::SP_DialogOpenButton);
    const QIcon clear = style()->standardIcon(QStyle::SP_DialogDiscardButton);
    const QString ico = QStringLiteral("Ico");
    const QString text = QStringLiteral("Text");
    const QString song = QStringLiteral("Song");
    SpeedButtonIcon = speedButton(GroupBoxSong, "SpeedButtonIcon", ico, open, QRect(8, 26, 81, 39),
                                  QStringLiteral("Choose the icon"));
    SpeedButtonDelIcon = speedButton(GroupBoxSong, "SpeedButtonDelIcon", ico, clear, QRect(96, 26, 57, 39),
                                     QStringLiteral("Clear the icon"));
    LabelIcon = pathLabel(GroupBoxSong, "LabelIcon", 160, 36);
    SpeedButtonOpenText = speedButton(GroupBoxSong, "SpeedButtonOpenText", text, open, QRect(8, 74, 81, 23),
                                      QStringLiteral("Choose the text file"));
    SpeedButtonDelRtf = speedButton(GroupBoxSong, "SpeedButtonDelRtf", text, clear, QRect(96, 74, 57, 23),
                                    QStringLiteral("Clear the text file"));
    LabelNameRtf = pathLabel(GroupBoxSong, "LabelNameRtf", 160, 80);
    SpeedButtonOpenSong = speedButton(GroupBoxSong, "SpeedButtonOpenSong", song, open, QRect(8, 106, 81, 23),
                                      QStringLiteral("Choose the song file"));
    SpeedButtonDelSong = speedButton(GroupBoxSong, "SpeedButtonDelSong", song, clear, QRect(96, 106, 57, 23),
                                     QStringLiteral("Clear the song file"));
    LabelNameSong = pathLabel(GroupBoxSong, "LabelNameSong", 160, 116);
    SpeedButtonSongTemp = previewButton(GroupBoxSong, "SpeedButtonSongTemp", song, QRect(8, 144, 249, 41));
    EditNameButton =
        editBox(GroupBoxSong, "EditNameButton", GroupBoxSong->title(), QRect(272, 153, 225, 24), 10);
    EditNameButton->setText(QStringLiteral("Empty Song Button"));

    CheckBoxVolumeOn = new QCheckBox(QStringLiteral("Volume Togethe"), GroupBoxSong);
    CheckBoxVolumeOn->setObjectName(QStringLiteral("CheckBoxVolumeOn"));
    CheckBoxVolumeOn->setAccessibleName(CheckBoxVolumeOn->text());
    CheckBoxVolumeOn->setMinimumWidth(105);
    ScrollBarVol = new QScrollBar(Qt::Horizontal, GroupBoxSong);
    ScrollBarVol->setObjectName(QStringLiteral("ScrollBarVol"));
    ScrollBarVol->setRange(0, 100);
    ScrollBarVol->setValue(50);
    ScrollBarVol->setMinimumWidth(161);
    Labelv = new QLabel(QStringLiteral("Volume Memory Song "), GroupBoxSong);
    Labelv->setObjectName(QStringLiteral("Labelv"));
    ScrollBarVol->setAccessibleName(Labelv->text());
    LabelVol = new QLabel(QStringLiteral("50%"), GroupBoxSong);
    LabelVol->setObjectName(QStringLiteral("LabelVol"));
    LabelVol->setMinimumWidth(40);

    LabelKey = new QLabel(QStringLiteral("Key"), GroupBoxSong);
    LabelKey->setObjectName(QStringLiteral("LabelKey"));
    SpinEditKey = spinEdit(GroupBoxSong, "SpinEditKey", LabelKey, QStringLiteral("Key shift in semitones"),
                           KeyTempo::kKeyMin, KeyTempo::kKeyMax, KeyTempo::kKeyDefault);
    LabelTempo = new QLabel(QStringLiteral("Tempo %"), GroupBoxSong);
    LabelTempo->setObjectName(QStringLiteral("LabelTempo"));
    SpinEditTempo = spinEdit(GroupBoxSong, "SpinEditTempo", LabelTempo,
                             QStringLiteral("Tempo in percent of the original"), KeyTempo::kTempoMin,
                             KeyTempo::kTempoMax, KeyTempo::kTempoDefault);

    // Chooser, clear button and path in a row for each file; the paths, the preview with its
    // caption and the volume bar share any width to spare.
    auto* grid = new QGridLayout(GroupBoxSong);
    QWidget* const rows[][3] = {{SpeedButtonIcon, SpeedButtonDelIcon, LabelIcon},
                                {SpeedButtonOpenText, SpeedButtonDelRtf, LabelNameRtf},
                                {SpeedButtonOpenSong, SpeedButtonDelSong, LabelNameSong}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            grid->addWidget(rows[r][c], r, c);
    auto* preview = new QHBoxLayout;
    preview->addWidget(SpeedButtonSongTemp, 1);
    preview->addWidget(EditNameButton, 1, Qt::AlignVCenter);
    grid->addLayout(preview, 3, 0, 1, 3);
    auto* volume = new QHBoxLayout;
    volume->addWidget(CheckBoxVolumeOn);
    volume->addWidget(ScrollBarVol, 1);
    volume->addWidget(Labelv);
    volume->addWidget(LabelVol);
    grid->addLayout(volume, 4, 0, 1, 3);
    auto* keyTempo = new QHBoxLayout;
    keyTempo->addWidget(LabelKey);
    keyTempo->addWidget(SpinEditKey);
    keyTempo->addSpacing(16);
    keyTempo->addWidget(LabelTempo);
    keyTempo->addWidget(SpinEditTempo);
    keyTempo->addStretch(1);
    grid->addLayout(keyTempo, 5, 0, 1, 3);
    grid->setColumnStretch(2, 1);
}

void TEditIniForm::layOut() {
    // Hidden groups take no room, so the shown one fills the dialog.
    auto* column = new QVBoxLayout(this);
    column->addWidget(GroupBoxFile);
    column->addWidget(GroupBoxTema);
    column->addWidget(GroupBoxSong);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtnOK);
    buttons->addWidget(BitBtnEsc);
    column->addLayout(buttons);
}

template <class F> void TEditIniForm::guard(F&& f) {
    guarded(prompts_, std::forward<F>(f));
}

void TEditIniForm::wireHandlers() {
    const auto on = [this](QToolButton* b, void (TEditIniForm::*handler)()) {
        connect(b, &QToolButton::clicked, this,
                [this, handler] { guard([this, handler] { (this->*handler)(); }); });
    };
    on(SpeedButtonOpenText, &TEditIniForm::SpeedButtonOpenTextClick);
    on(SpeedButtonOpenSong, &TEditIniForm::SpeedButtonOpenSongClick);
    on(SpeedButtonIcon, &TEditIniForm::SpeedButtonIconClick);
    on(SpeedButtonIcoTema, &TEditIniForm::SpeedButtonIcoTemaClick);
    on(SpeedButtonDelRtf, &TEditIniForm::SpeedButtonDelRtfClick);
    on(SpeedButtonDelSong, &TEditIniForm::SpeedButtonDelSongClick);
    on(SpeedButtonDelIcon, &TEditIniForm::SpeedButtonDelIconClick);
    on(SpeedButtonIcotemadel, &TEditIniForm::SpeedButtonIcotemadelClick);
    on(SpeedButtonNew, &TEditIniForm::SpeedButtonNewClick);
    connect(ScrollBarVol, &QScrollBar::valueChanged, this,
            [this] { guard([this] { ScrollBarVolChange(); }); });
    connect(CheckBoxVolumeOn, &QCheckBox::clicked, this,
            [this] { guard([this] { CheckBoxVolumeOnClick(); }); });
    // The three closing buttons close through their results even when their handler stops early.
    connect(BitBtnOK, &QPushButton::clicked, this, [this] {
        // Making a kit, OK (and so Enter) means CreateFile: it closes once the kit is there.
        if (state_.EditMode == 3) {
            guard([this] { SpeedButtonNewClick(); });
            return;
        }
        // Text the kit cannot hold (or a kit that can no longer be read) keeps the dialog open
        // with the edits, for the user to change.
        bool fits = false;
        guard([this, &fits] { fits = kitHoldsEdits(); });
        if (!fits)
            return;
        guard([this] { BitBtnOKClick(); });
        accept();
    });
    for (QPushButton* cancel : {BitBtnEsc, BitBtn1})
        connect(cancel, &QPushButton::clicked, this, [this] {
            guard([this] { BitBtnEscClick(); });
            reject();
        });
    EditNameButton->installEventFilter(this);
    EditTemaButton->installEventFilter(this);
}

bool TEditIniForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        if (watched == EditNameButton)
            guard([this] { EditNameButtonKeyUp(); });
        else if (watched == EditTemaButton)
            guard([this] { EditTemaButtonKeyUp(); });
    }
    return QDialog::eventFilter(watched, event);
}

void TEditIniForm::keyPressEvent(QKeyEvent* event) {
    // Esc is the Cancel button's key, so it ends the edit the way that button does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        BitBtnEsc->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TEditIniForm::FormCreate() {
    resize(kFormSize, kFormSize);
}

bool TEditIniForm::showModal() {
    if (!guarded(prompts_, [this] { FormActivate(); })) {
        if (sectionToRestore_)
            state_.CurrentSection = *std::exchange(sectionToRestore_, std::nullopt);
        return false;
    }
    exec();
    return true;
}

void TEditIniForm::FormActivate() {
    switch (state_.EditMode) {
    case 1:
        activateSong();
        break;
    case 2:
        activateTema();
        break;
    case 3:
        activateFile();
        break;
    default:
        break;
    }
    CheckBoxVolumeOn->setChecked(host_.volumeOn());
    // As wide as designed and as tall as the shown group needs, so no band of the dialog is blank;
    // only the width follows the user, widening the paths and the caption.
    layout()->activate();
    setFixedHeight(sizeHint().height());
    resize(kFormSize, height());
}

void TEditIniForm::activateSong() {
    GroupBoxSong->show();
    GroupBoxTema->hide();
    GroupBoxFile->hide();
    const QString n = QString::number(state_.SongNumber);
    const QString& section = state_.CurrentSection;
    QString caption;
    {
        const IniFile kit(state_.KitFileName);
        caption = kit.readString(section, "Button" + n, "Song-" + n);
        EditTextFileName = kit.readString(section, "Text" + n, kNone);
        EditSongFileName = kit.readString(section, "Song" + n, kNone);
        EditIconFileName = kit.readString(section, "Icon" + n, kNone);
        state_.SongCaption = caption;
        state_.IconFileName = EditIconFileName;
        ScrollBarVol->setValue(kit.readInt(section, "Vol" + n, 50)); // clamped to 0..100 by the bar
        openedKeyTempo_ = KeyTempo::read(kit, section, state_.SongNumber);
    }
    SpinEditKey->setValue(openedKeyTempo_.key);
    SpinEditTempo->setValue(openedKeyTempo_.tempo);
    if (host_.volumeOn())
        host_.setMainVolume(ScrollBarVol->value());
    LabelNameRtf->setPath(EditTextFileName);
    LabelNameSong->setPath(EditSongFileName);
    LabelIcon->setPath(EditIconFileName);
    if (namesExistingFile(EditIconFileName))
        showPicture(SpeedButtonSongTemp, EditIconFileName);
    EditNameButton->setText(caption);
    SpeedButtonSongTemp->setText(caption);
    setWindowTitle(state_.KitFileName + QStringLiteral("  Song Button = ") + n);
}

void TEditIniForm::activateTema() {
    GroupBoxTema->show();
    GroupBoxSong->hide();
    GroupBoxFile->hide();
    const QString t = QString::number(state_.TemaNumber);
    if (!sectionToRestore_)
        sectionToRestore_ = state_.CurrentSection;
    state_.CurrentSection = sectionName(state_.TemaNumber);
    {
        const IniFile kit(state_.KitFileName);
        state_.TemaCaption = kit.readString(QStringLiteral("TemaArtist"), "Button" + t, "Artist-" + t);
        EditTemaIconFileName = kit.readString(QStringLiteral("TemaArtist"), "Icon" + t,
                                              QStringLiteral("C:\\SARVEL\\NoIcoT.bmp"));
    }
    if (namesExistingFile(EditTemaIconFileName))
        showPicture(SpeedButtonTempTema, EditTemaIconFileName);
    LabelIcoTema->setPath(EditTemaIconFileName);
    SpeedButtonTempTema->setText(state_.TemaCaption);
    EditTemaButton->setText(state_.TemaCaption);
    setWindowTitle(state_.KitFileName + QStringLiteral("  Tema Button = ") + t);
}

void TEditIniForm::activateFile() {
    GroupBoxFile->show();
    GroupBoxSong->hide();
    GroupBoxTema->hide();
    Editfile->setText(dataPath(QStringLiteral("TEMES/New001.vkt")));
    setWindowTitle(state_.KitFileName);
}

void TEditIniForm::showPicture(QToolButton* preview, const QString& path) {
    // A picture that can't be loaded is reported and the activation goes on, so the dialog never
    // opens with a half-filled set of another button's values.
    guard([&] {
        const QImage image = loadGlyph(fromStoredPath(path));
        QPixmap pixmap = QPixmap::fromImage(image);
        if (!image.hasAlphaChannel()) {
            // The bottom-left colour is transparent, as on the grid's buttons.
            const QRgb key = image.pixel(0, image.height() - 1);
            pixmap.setMask(pixmap.createMaskFromColor(QColor::fromRgb(key), Qt::MaskInColor));
        }
        preview->setIcon(QIcon(pixmap));
        preview->setIconSize(pixmap.size().boundedTo(preview->size()));
    });
}

QString TEditIniForm::choose(FileChooser& chooser, bool picture) {
    const QString caption = QStringLiteral("Open");
    const QString path =
        picture ? prompts_.openPicture(caption, chooser.initialDir, chooser.fileName, chooser.filter)
                : prompts_.openFile(caption, chooser.initialDir, chooser.fileName, chooser.filter);
    if (!path.isEmpty()) {
        // Next time the chooser starts in the folder the user went to, not back at its own.
        chooser.initialDir = QFileInfo(path).absolutePath();
        chooser.fileName = path;
    }
    return path;
}

void TEditIniForm::EditNameButtonKeyUp() {
    SpeedButtonSongTemp->setText(singleLine(EditNameButton->text()));
}

void TEditIniForm::EditTemaButtonKeyUp() {
    SpeedButtonTempTema->setText(singleLine(EditTemaButton->text()));
}

void TEditIniForm::SpeedButtonOpenTextClick() {
    const QString path = choose(OpenDialogText, false);
    if (path.isEmpty())
        return;
    EditTextFileName = path;
    LabelNameRtf->setPath(path);
}

void TEditIniForm::SpeedButtonOpenSongClick() {
    const QString path = choose(OpenDialogSong, false);
    if (path.isEmpty())
        return;
    EditSongFileName = path;
    LabelNameSong->setPath(path);
}

void TEditIniForm::SpeedButtonIconClick() {
    const QString path = choose(OpenPictureDialog, true);
    if (path.isEmpty())
        return;
    EditIconFileName = path;
    LabelIcon->setPath(path);
    showPicture(SpeedButtonSongTemp, path);
}

void TEditIniForm::SpeedButtonIcoTemaClick() {
    const QString path = choose(OpenPictureDialog, true);
    if (path.isEmpty())
        return;
    EditTemaIconFileName = path;
    LabelIcoTema->setPath(path);
    showPicture(SpeedButtonTempTema, path);
}

void TEditIniForm::SpeedButtonDelRtfClick() {
    EditTextFileName = kNone;
    LabelNameRtf->setPath(kNone);
}

void TEditIniForm::SpeedButtonDelSongClick() {
    EditSongFileName = kNone;
    LabelNameSong->setPath(kNone);
}

void TEditIniForm::SpeedButtonDelIconClick() {
    EditIconFileName = kNone;
    LabelIcon->setPath(kNone);
}

void TEditIniForm::SpeedButtonIcotemadelClick() {
    EditTemaIconFileName = kNone;
    LabelIcoTema->setPath(kNone);
}

void TEditIniForm::ScrollBarVolChange() {
    if (host_.volumeOn())
        host_.setMainVolume(ScrollBarVol->value());
    LabelVol->setText(QString::number(ScrollBarVol->value()));
}

void TEditIniForm::CheckBoxVolumeOnClick() {
    host_.setVolumeOn(CheckBoxVolumeOn->isChecked());
}

void TEditIniForm::BitBtnEscClick() {
    state_.EditMode = 1;
}

void TEditIniForm::BitBtnOKClick() {
    // The selection state takes the saved values only once the kit holds them, so a refused
    // write leaves state and kit telling the same story.
    if (state_.EditMode == 1) {
        const auto changed = [](int now, int opened) {
            return now != opened ? std::optional(now) : std::nullopt;
        };
        const SongButtonEdit edit{state_.SongNumber,
                                  singleLine(EditNameButton->text()),
                                  EditTextFileName,
                                  EditSongFileName,
                                  EditIconFileName,
                                  ScrollBarVol->value(),
                                  changed(SpinEditKey->value(), openedKeyTempo_.key),
                                  changed(SpinEditTempo->value(), openedKeyTempo_.tempo)};
        const SavedSongFiles saved =
            saveSongButton(state_.KitFileName, state_.CurrentSection, edit, prompts_);
        state_.SongCaption = edit.caption;
        if (saved.text)
            state_.TextFileName = *saved.text;
        if (saved.song)
            state_.SongFileName = *saved.song;
        if (saved.icon)
            state_.IconFileName = *saved.icon;
        ReturnNameButtonSong(host_.grid(), state_);
    } else if (state_.EditMode == 2) {
        const QString caption = singleLine(EditTemaButton->text());
        const auto icon =
            saveTemaButton(state_.KitFileName, state_.TemaNumber, caption, EditTemaIconFileName, prompts_);
        state_.TemaCaption = caption;
        if (icon)
            state_.TemaIconFileName = *icon;
        ReturnNameButtonTema(host_.grid(), state_);
    }
    state_.EditMode = 1;
    JobTema(state_.SelectedTemaNumber, host_.grid(), state_);
    sectionToRestore_.reset(); // JobTema has made the shown theme current again
}

bool TEditIniForm::kitHoldsEdits() {
    std::vector<std::pair<QString, QString>> edits; // what OK writes, and where the user put it
    if (state_.EditMode == 1)
        edits = {{singleLine(EditNameButton->text()), QStringLiteral("названии кнопки")},
                 {EditTextFileName, QStringLiteral("имени файла RTF")},
                 {EditSongFileName, QStringLiteral("имени файла Wav")},
                 {EditIconFileName, QStringLiteral("имени файла Ico")}};
    else if (state_.EditMode == 2)
        edits = {{singleLine(EditTemaButton->text()), QStringLiteral("названии кнопки")},
                 {EditTemaIconFileName, QStringLiteral("имени файла Ico")}};
    if (edits.empty())
        return true;
    const IniFile kit(state_.KitFileName);
    for (const auto& [text, where] : edits) {
        const std::optional<char32_t> c = kit.firstUnstorable(text);
        if (!c)
            continue;
        const QString code = QString::number(uint(*c), 16).toUpper().rightJustified(4, u'0');
        prompts_.message(
            QStringLiteral("Error"),
            QStringLiteral("Символ «%1» (U+%2) в %3 нельзя записать в набор: файл набора "
                           "хранится в кодировке %4. Измените название или выберите другой файл.")
                .arg(QString::fromUcs4(&*c, 1), code, where, kit.encodingName()));
        return false;
    }
    return true;
}

void TEditIniForm::SpeedButtonNewClick() {
    NewKitOutcome outcome = NewKitOutcome::NotCreated;
    try {
        outcome = createKitFile(Editfile->text(), state_, prompts_);
    } catch (...) {
        setWindowTitle(state_.KitFileName); // a reused file is already the kit
        throw;
    }
    setWindowTitle(state_.KitFileName);
    // After a No the dialog stays open for another name.
    if (outcome == NewKitOutcome::Declined)
        return;
    state_.EditMode = 1;
    accept();
}

void TEditIniForm::done(int result) {
    if (sectionToRestore_)
        state_.CurrentSection = *std::exchange(sectionToRestore_, std::nullopt);
    QDialog::done(result);
}

} // namespace sarvel
