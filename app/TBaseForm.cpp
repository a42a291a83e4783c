#include "TBaseForm.h"

#include "DataFolder.h"
#include "DirectOpen.h"
#include "DiskFigures.h"
#include "FirstRun.h"
#include "Guard.h"
#include "KitActions.h"
#include "Launch.h"
#include "SelectionState.h"
#include "Settings.h"
#include "SpeedButton.h"
#include "StageView.h"
#include "TAboutForm.h"
#include "TZastForm.h"
#include "Theme.h"
#include "TimingMode.h"
#include "Transport.h"
#include "VolumeController.h"
#include "WordsZoom.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace sarvel {

namespace {

const QString kSongHint =
    QStringLiteral("Левая кнопка мыши запускает Song, Правая кнопка обновляет данные о Song");
const QString kTemaHint = QStringLiteral("Левая кнопка мыши выбирает Жанр, Правая кнопка обновляет данные ");

constexpr int kSongPaneWidth = 977;
constexpr int kSongPaneHeight = 609;

QToolButton* pictureButton(QWidget* parent, const char* name, const QString& hint, const QIcon& icon,
                           int size) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setIcon(icon);
    b->setIconSize(QSize(size - 8, size - 8));
    b->setFixedSize(size, size);
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRaise(false);
    return b;
}

QToolButton* captionButton(QWidget* parent, const char* name, const QString& caption, const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolTip(hint);
    b->setAccessibleName(caption);
    b->setAccessibleDescription(hint);
    b->setCheckable(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(52, 26);
    return b;
}

QLabel* lcdLabel(QWidget* parent, const char* name, const QString& text, int pixelSize) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(lcdFont(pixelSize));
    l->setStyleSheet(QStringLiteral("color: lime;"));
    return l;
}

QCheckBox* optionBox(QWidget* parent, const char* name, const QString& caption, bool checked) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setChecked(checked);
    c->setAccessibleName(caption);
    return c;
}

// A small rounded square showing which way a colour bar moves.
QLabel* colourEnd(QWidget* parent, const QColor& colour) {
    auto* l = new QLabel(parent);
    l->setFixedSize(12, 12);
    l->setStyleSheet(QStringLiteral("background: %1; border-radius: 3px;").arg(colour.name()));
    return l;
}

} // namespace

TBaseForm::TBaseForm(SelectionState& state, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), state_(state), prompts_(prompts) {
    registerAssets();
    setObjectName(QStringLiteral("BaseForm"));
    setWindowTitle(QStringLiteral("Sarvel"));
    setWindowIcon(appIcon());
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    central->setAutoFillBackground(true);
    setCentralWidget(central);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(4, 2, 4, 4);
    column->setSpacing(2);
    column->addWidget(buildTopBar());

    TrackBarSong = new QSlider(Qt::Horizontal, central);
    TrackBarSong->setObjectName(QStringLiteral("TrackBarSong"));
    TrackBarSong->setToolTip(QStringLiteral("position song"));
    TrackBarSong->setAccessibleName(QStringLiteral("position song"));
    TrackBarSong->setTickPosition(QSlider::NoTicks);
    TrackBarSong->setRange(0, 0);
    TrackBarSong->setEnabled(false);
    column->addWidget(TrackBarSong);

    // The panes fill the area under the top bar and follow every resize; the song pane keeps its
    // designed size, centred, and scrolls when the window is narrower than it.
    content_ = new QWidget(central);
    content_->setObjectName(QStringLiteral("PaneArea"));
    auto* panes = new QVBoxLayout(content_);
    panes->setContentsMargins(4, 0, 4, 8); // the song pane fits 1024 px without scrolling
    songScroll_ = new QScrollArea(content_);
    songScroll_->setObjectName(QStringLiteral("SongPaneScroll"));
    songScroll_->setFrameShape(QFrame::NoFrame);
    songScroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    songScroll_->setWidgetResizable(false);
    songScroll_->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    songScroll_->viewport()->setAutoFillBackground(false);
    songScroll_->setWidget(buildSongPane());
    panes->addWidget(songScroll_);

    RichEdit = new QTextEdit(content_);
    RichEdit->setObjectName(QStringLiteral("RichEdit"));
    RichEdit->setAccessibleName(QStringLiteral("RichEdit"));
    RichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit->setStyleSheet(QStringLiteral("QTextEdit { background: #FFFBF0; color: navy; }"));
    QFont wordsFont = RichEdit->font();
    wordsFont.setPixelSize(16);
    wordsFont.setBold(true);
    RichEdit->setFont(wordsFont);
    RichEdit->setPlainText(QStringLiteral("текста нет"));
    wordsZoom_ = new WordsZoom(*RichEdit);
    stage_ = std::make_unique<StageView>(*RichEdit, *LabelNameButton, *LabelSongTimeEnd, *this);
    panes->addWidget(RichEdit);
    column->addWidget(content_, 1);

    buildOptionPanel(central);
    buildDialogsAndTimers();
    volume_ = std::make_unique<VolumeController>(ScrollBarVolume, LabelVolume, prompts_);
    controls_ = MainControls{this,
                             ImageIcon,
                             LabelNameButton,
                             LabelStatus,
                             SpeedButtonToText,
                             SpeedButtonPlay,
                             SpeedButtonBegin,
                             TrackBarSong,
                             LabelSongTimeBeg,
                             LabelSongTimeEnd,
                             LabelSongLeghtTime,
                             ScrollBarVolume,
                             CheckBoxRepeat,
                             CheckBoxPlay,
                             CheckBoxKey,
                             CheckBoxLefMP3,
                             CheckBoxNoTxt,
                             TimerMp3rpt,
                             RichEdit,
                             [this] { showTextPane(); },
                             LabelKeyTempo};
    transport_ = std::make_unique<Transport>(controls_, MediaPlayer, state_);
    transport_->timeShown = [this] { stage_->showCorner(); };
    launch_ = std::make_unique<Launch>(controls_, MediaPlayer, *transport_, *volume_, state_);
    directOpen_ = std::make_unique<DirectOpen>(controls_, *transport_, prompts_, state_);
    directOpen_->setDialogs({OpenDialogSong.filter, OpenDialogSong.initialDir},
                            {OpenDialogText.filter, OpenDialogText.initialDir});
    timing_ = std::make_unique<TimingMode>(controls_, MediaPlayer, *transport_, state_, prompts_,
                                           *SpeedButtonTiming);
    transport_->songLooped = [this] { timing_->songStopped(); };
    RichEdit->installEventFilter(this);
    // A focused position bar would take Ctrl+arrows as steps of a millisecond.
    TrackBarSong->installEventFilter(this);
    wireHandlers();
    kitActions_ = std::make_unique<KitActions>(*this, state_, prompts_);

    setWindowColor(0, 128, 128); // teal until the settings file says otherwise
    resize(814, 562);
    move(203, 117);
    setWindowState(Qt::WindowMaximized);
}

TBaseForm::~TBaseForm() = default;

int TBaseForm::wordsZoom() const {
    return wordsZoom_->step();
}

void TBaseForm::setWordsZoom(int step) {
    wordsZoom_->setStep(step);
}

QWidget* TBaseForm::buildTopBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("TopBar"));
    bar->setFixedHeight(62);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);

    ImageIcon = new QLabel(bar);
    ImageIcon->setObjectName(QStringLiteral("ImageIcon"));
    ImageIcon->setToolTip(QStringLiteral("visible icon handle"));
    ImageIcon->setAccessibleName(QStringLiteral("visible icon handle"));
    ImageIcon->setFixedSize(57, 57);
    ImageIcon->setScaledContents(true);
    ImageIcon->setPixmap(defaultSongPicture());
    row->addWidget(ImageIcon);

    // The four file and About buttons stand two by two, like the view buttons beside them, so the
    // restored window (814 px) holds the whole bar.
    SpeedButtonOpenText = pictureButton(bar, "SpeedButtonOpenText", QStringLiteral("Open RTF file"),
                                        buttonIcon(ButtonPicture::OpenText), 29);
    SpeedButtonOpenSong = pictureButton(bar, "SpeedButtonOpenSong", QStringLiteral("Open Wave file"),
                                        buttonIcon(ButtonPicture::OpenSong), 29);
    SpeedButtonHelp =
        pictureButton(bar, "SpeedButtonHelp", QStringLiteral("About"), buttonIcon(ButtonPicture::About), 29);
    SpeedButtonNewFile = pictureButton(bar, "SpeedButtonNewFile", QStringLiteral("New file"),
                                       buttonIcon(ButtonPicture::NewFile), 29);
    auto* files = new QGridLayout;
    files->setSpacing(2);
    files->addWidget(SpeedButtonOpenText, 0, 0);
    files->addWidget(SpeedButtonOpenSong, 0, 1);
    files->addWidget(SpeedButtonHelp, 1, 0);
    files->addWidget(SpeedButtonNewFile, 1, 1);
    SpeedButtonStage = pictureButton(bar, "SpeedButtonStage", QStringLiteral("Stage view (F11)"),
                                     QIcon::fromTheme(QStringLiteral("view-fullscreen")), 29);
    SpeedButtonStage->setText(QStringLiteral("F11")); // shown where the theme has no picture
    files->addWidget(SpeedButtonStage, 0, 2);
    row->addLayout(files);

    auto* views = new QVBoxLayout;
    views->setSpacing(1);
    SpeedButtonFileIniOpen = captionButton(bar, "SpeedButtonFileIniOpen", QStringLiteral("Kits"),
                                           QStringLiteral("Open User file"));
    SpeedButtonToSong = captionButton(bar, "SpeedButtonToSong", QStringLiteral("Song"),
                                      QStringLiteral("Field TEMA and SONG"));
    SpeedButtonToText =
        captionButton(bar, "SpeedButtonToText", QStringLiteral("Text"), QStringLiteral("Text editor"));
    ViewGroup = new QButtonGroup(this);
    ViewGroup->setExclusive(true);
    auto* viewRow = new QHBoxLayout;
    viewRow->setSpacing(1);
    viewRow->addWidget(SpeedButtonToSong);
    viewRow->addWidget(SpeedButtonToText);
    // Timing stands beside Kits, out of the view group.
    SpeedButtonTiming = captionButton(bar, "SpeedButtonTiming", QStringLiteral("Timing"),
                                      QStringLiteral("Timing: tap along to time the words (T)"));
    auto* kitRow = new QHBoxLayout;
    kitRow->setSpacing(1);
    kitRow->addWidget(SpeedButtonFileIniOpen);
    kitRow->addWidget(SpeedButtonTiming);
    views->addLayout(kitRow);
    views->addLayout(viewRow);
    for (auto* b : {SpeedButtonFileIniOpen, SpeedButtonToSong, SpeedButtonToText})
        ViewGroup->addButton(b);
    row->addLayout(views);

    SpeedButtonBegin = pictureButton(bar, "SpeedButtonBegin", QStringLiteral("Играть сначала"),
                                     buttonIcon(ButtonPicture::Begin), 40);
    SpeedButtonBegin->setEnabled(false);
    SpeedButtonPlay =
        pictureButton(bar, "SpeedButtonPlay", QStringLiteral("Play or Stop"), playStopIcon(), 58);
    SpeedButtonPlay->setCheckable(true);
    SpeedButtonPlay->setEnabled(false);
    row->addWidget(SpeedButtonBegin);
    row->addWidget(SpeedButtonPlay);

    LabelNameButton = new QLabel(QStringLiteral(" ----- "), bar);
    LabelNameButton->setObjectName(QStringLiteral("LabelNameButton"));
    QFont nameFont = LabelNameButton->font();
    nameFont.setPixelSize(19);
    nameFont.setBold(true);
    LabelNameButton->setFont(nameFont);
    LabelNameButton->setStyleSheet(QStringLiteral("color: lime;"));
    LabelNameButton->setMinimumWidth(76); // the name yields first when the window narrows
    row->addWidget(LabelNameButton, 4);

    // The key and tempo this playback has, shown only while they are not the song's own 0 and 100.
    LabelKeyTempo = new QLabel(bar);
    LabelKeyTempo->setObjectName(QStringLiteral("LabelKeyTempo"));
    LabelKeyTempo->setAccessibleName(QStringLiteral("Key and tempo"));
    LabelKeyTempo->setToolTip(
        QStringLiteral("Key and tempo: Ctrl+Up/Down, Ctrl+Right/Left, Ctrl+Backspace back to the song's"));
    LabelKeyTempo->setFont(nameFont);
    LabelKeyTempo->setStyleSheet(QStringLiteral("color: yellow;"));
    LabelKeyTempo->hide();
    row->addWidget(LabelKeyTempo);

    GroupBoxStatus = new QGroupBox(bar);
    GroupBoxStatus->setObjectName(QStringLiteral("GroupBoxStatus"));
    GroupBoxStatus->setStyleSheet(QStringLiteral("QGroupBox { color: silver; }"));
    auto* status = new QVBoxLayout(GroupBoxStatus);
    status->setContentsMargins(4, 2, 4, 2);
    status->setSpacing(0);
    auto* times = new QHBoxLayout;
    const QString timeHint = QStringLiteral("position time - leave time");
    LabelSongTimeBeg = lcdLabel(GroupBoxStatus, "LabelSongTimeBeg", QStringLiteral("00:00 "), 27);
    LabelSongTimeEnd = lcdLabel(GroupBoxStatus, "LabelSongTimeEnd", QStringLiteral("00:00 "), 27);
    LabelSongLeghtTime = lcdLabel(GroupBoxStatus, "LabelSongLeghtTime", QStringLiteral("00:00"), 27);
    LabelSongTimeBeg->setToolTip(timeHint);
    LabelSongTimeEnd->setToolTip(timeHint);
    LabelSongLeghtTime->setToolTip(QStringLiteral("lenght song"));
    times->addWidget(LabelSongTimeBeg);
    times->addWidget(LabelSongTimeEnd);
    times->addWidget(LabelSongLeghtTime);
    status->addLayout(times);
    LabelStatus = new QLabel(QStringLiteral("No message"), GroupBoxStatus);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    QFont statusFont = LabelStatus->font();
    statusFont.setPointSize(8);
    statusFont.setBold(true);
    LabelStatus->setFont(statusFont);
    LabelStatus->setStyleSheet(QStringLiteral("color: yellow;"));
    LabelStatus->setMinimumWidth(1); // a long message is cut rather than widening the window
    status->addWidget(LabelStatus);
    row->addWidget(GroupBoxStatus);

    SpeedButtonOption = pictureButton(bar, "SpeedButtonOption", QStringLiteral("On option"),
                                      buttonIcon(ButtonPicture::Option), 40);
    SpeedButtonOption->setFixedSize(28, 58);
    SpeedButtonOption->setCheckable(true);
    row->addWidget(SpeedButtonOption);

    // The volume grows with the window up to 200 px; the song's name takes the rest.
    auto* volumeBox = new QWidget(bar);
    volumeBox->setObjectName(QStringLiteral("VolumeBox"));
    volumeBox->setMaximumWidth(200);
    auto* volume = new QVBoxLayout(volumeBox);
    volume->setContentsMargins(0, 0, 0, 0);
    volume->setSpacing(0);
    auto* volumeLabels = new QHBoxLayout;
    volumeLabels->setSpacing(6);
    LabelVol = lcdLabel(volumeBox, "LabelVol", QStringLiteral("VOLUME"), 21);
    LabelVolume = lcdLabel(volumeBox, "LabelVolume", QStringLiteral("50%"), 21);
    volumeLabels->addWidget(LabelVol);
    volumeLabels->addWidget(LabelVolume);
    volumeLabels->addStretch(1);
    ScrollBarVolume = new QScrollBar(Qt::Horizontal, volumeBox);
    ScrollBarVolume->setObjectName(QStringLiteral("ScrollBarVolume"));
    ScrollBarVolume->setRange(0, 100);
    ScrollBarVolume->setValue(50);
    ScrollBarVolume->setToolTip(QStringLiteral("Уровень яркости"));
    ScrollBarVolume->setAccessibleName(QStringLiteral("VOLUME"));
    ScrollBarVolume->setAccessibleDescription(QStringLiteral("Уровень яркости"));
    volume->addLayout(volumeLabels);
    volume->addWidget(ScrollBarVolume);
    row->addWidget(volumeBox, 1);
    return bar;
}

QWidget* TBaseForm::buildSongPane() {
    GroupBoxSong = new QGroupBox(QStringLiteral("Name Work File is "));
    GroupBoxSong->setObjectName(QStringLiteral("GroupBoxSong"));
    GroupBoxSong->setFixedSize(kSongPaneWidth, kSongPaneHeight);
    GroupBoxSong->setAutoFillBackground(true);
    QPalette moneyGreen = GroupBoxSong->palette();
    moneyGreen.setColor(QPalette::Window, QColor(0xC0, 0xDC, 0xC0));
    GroupBoxSong->setPalette(moneyGreen);

    TemaGroup = new QButtonGroup(this);
    TemaGroup->setExclusive(true);
    QFont temaFont(QStringLiteral("Arial"));
    temaFont.setPixelSize(13);
    temaFont.setBold(true);
    for (int c = 1; c <= kTemaColumns; ++c)
        for (int r = 1; r <= kTemaRows; ++r) {
            const int t = temaNumberAt(r, c);
            auto* b = new SpeedButton(GroupBoxSong);
            b->setObjectName(QStringLiteral("SpeedButtonTema%1").arg(t));
            b->setText(QStringLiteral("Empty Tema Button"));
            b->setToolTip(kTemaHint);
            b->setFont(temaFont);
            b->setCaptionColor(QColor(0, 0, 128));
            b->setGeometry(8 + 192 * (c - 1), 16 + 24 * (r - 1), 188, 22);
            TemaGroup->addButton(b, t);
            SpeedButtonTema[t] = b;
        }

    auto* bevel = new QFrame(GroupBoxSong);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Raised);
    bevel->setLineWidth(2);
    bevel->setGeometry(4, 118, kSongPaneWidth - 8, 4);

    SongGroup = new QButtonGroup(this);
    SongGroup->setExclusive(true);
    QFont songFont(QStringLiteral("Arial"));
    songFont.setPixelSize(19);
    songFont.setBold(true);
    const QColor columnColours[kSongColumns] = {QColor(128, 0, 0), QColor(0, 128, 0), QColor(128, 0, 128),
                                                QColor(0, 0, 255)};
    for (int r = 1; r <= kSongRows; ++r)
        for (int c = 1; c <= kSongColumns; ++c) {
            const int n = songNumberAt(r, c);
            if (n == 0)
                continue;
            auto* b = new SpeedButton(GroupBoxSong);
            b->setObjectName(QStringLiteral("SpeedButtonSong%1").arg(n, 2, 10, QLatin1Char('0')));
            b->setText(QStringLiteral("Empty Song Button"));
            b->setToolTip(kSongHint);
            b->setFont(songFont);
            b->setCaptionColor(columnColours[c - 1]);
            b->setGeometry(8 + 240 * (c - 1), 135 + 36 * (r - 1), 235, 34);
            SongGroup->addButton(b, n);
            SpeedButtonSong[n] = b;
        }
    const QImage designGlyph = defaultGlyph();
    for (int t = 1; t <= kTemaButtons; ++t)
        SpeedButtonTema[t]->setGlyph(designGlyph);
    for (int n = 1; n <= kSongButtons; ++n)
        SpeedButtonSong[n]->setGlyph(designGlyph);
    return GroupBoxSong;
}

void TBaseForm::buildOptionPanel(QWidget* parent) {
    GroupBoxOption = new QGroupBox(QStringLiteral("Option"), parent);
    GroupBoxOption->setObjectName(QStringLiteral("GroupBoxOption"));
    GroupBoxOption->setAutoFillBackground(true);
    QPalette white = GroupBoxOption->palette();
    white.setColor(QPalette::Window, Qt::white);
    GroupBoxOption->setPalette(white);
    auto* column = new QVBoxLayout(GroupBoxOption);

    auto colourBar = [&](const char* name, const QString& accessible, const QColor& left,
                         const QColor& right) {
        auto* row = new QHBoxLayout;
        auto* bar = new QScrollBar(Qt::Horizontal, GroupBoxOption);
        bar->setObjectName(QString::fromLatin1(name));
        bar->setRange(0, 255);
        bar->setPageStep(10);
        bar->setToolTip(QStringLiteral("Color of Form"));
        bar->setAccessibleName(accessible);
        bar->setAccessibleDescription(QStringLiteral("Color of Form"));
        row->addWidget(colourEnd(GroupBoxOption, left));
        row->addWidget(bar, 1);
        row->addWidget(colourEnd(GroupBoxOption, right));
        column->addLayout(row);
        return bar;
    };
    ScrollBarRed = colourBar("ScrollBarRed", QStringLiteral("Color of Form: red"), Qt::cyan, Qt::red);
    ScrollBarGreen =
        colourBar("ScrollBarGreen", QStringLiteral("Color of Form: green"), Qt::magenta, Qt::green);
    ScrollBarBlue = colourBar("ScrollBarBlue", QStringLiteral("Color of Form: blue"), Qt::yellow, Qt::blue);

    auto diskLabel = [&](const char* name) {
        auto* l = new QLabel(QString::fromLatin1(name), GroupBoxOption);
        l->setObjectName(QString::fromLatin1(name));
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        l->setStyleSheet(QStringLiteral("color: navy;"));
        column->addWidget(l);
        return l;
    };
    LabelDiskSize = diskLabel("LabelDiskSize");
    LabelDiskFree = diskLabel("LabelDiskFree");

    CheckBoxRepeat = optionBox(GroupBoxOption, "CheckBoxRepeat", QStringLiteral("Repeat song"), false);
    CheckBoxPlay = optionBox(GroupBoxOption, "CheckBoxPlay", QStringLiteral("Play song synhro"), true);
    CheckBoxButtonBegin =
        optionBox(GroupBoxOption, "CheckBoxButtonBegin", QStringLiteral("Visual Button Begin"), true);
    CheckBoxKey = optionBox(GroupBoxOption, "CheckBoxKey", QStringLiteral("Keyboard "), true);
    CheckBoxLefMP3 = optionBox(GroupBoxOption, "CheckBoxLefMP3", QStringLiteral("MP3 over Caption "), false);
    CheckBoxNoTxt = optionBox(GroupBoxOption, "CheckBoxNoTxt", QStringLiteral("Aktivate TXT  FORM"), true);
    CheckBoxVolumeOn =
        optionBox(GroupBoxOption, "CheckBoxVolumeOn", QStringLiteral("Volume New Show Form"), false);
    for (auto* c : {CheckBoxRepeat, CheckBoxPlay, CheckBoxButtonBegin, CheckBoxKey, CheckBoxLefMP3,
                    CheckBoxNoTxt, CheckBoxVolumeOn})
        column->addWidget(c);
    column->addStretch(1);
    GroupBoxOption->hide();
    parent->installEventFilter(this);
}

void TBaseForm::buildDialogsAndTimers() {
    OpenDialogSong.filter = QStringLiteral("mp3 (*.mp3);;wav (*.wav);;midi (*.mid *.kar);;all (*.*)");
    OpenDialogText.filter = QStringLiteral("RTF files (*.rtf)");
    OpenDialogIniFile.filter = QStringLiteral("Files of Dolvena   *.vkt (*.vkt)");
    OpenDialogIniFile.initialDir = dataPath(QStringLiteral("TEMES"));
    OpenDialogIniFile.fileName = defaultKitPath();

    auto timer = [this](const char* name, int interval) {
        auto* t = new QTimer(this);
        t->setObjectName(QString::fromLatin1(name));
        t->setInterval(interval);
        return t;
    };
    TimerPlay = timer("TimerPlay", 500);
    TimerZast = timer("TimerZast", 200);
    TimerMp3rpt = timer("TimerMp3rpt", 4000);
    TimerPlay->start();
}

template <class F> void TBaseForm::guard(F&& f) {
    guarded(prompts_, std::forward<F>(f));
}

void TBaseForm::wireHandlers() {
    connect(SpeedButtonToSong, &QToolButton::clicked, this,
            [this] { guard([this] { SpeedButtonToSongClick(); }); });
    connect(SpeedButtonToText, &QToolButton::clicked, this,
            [this] { guard([this] { SpeedButtonToTextClick(); }); });
    connect(SpeedButtonOption, &QToolButton::clicked, this,
            [this] { guard([this] { SpeedButtonOptionClick(); }); });
    connect(CheckBoxButtonBegin, &QCheckBox::toggled, this,
            [this] { guard([this] { CheckBoxButtonBeginClick(); }); });
    connect(CheckBoxNoTxt, &QCheckBox::toggled, this, [this] { guard([this] { CheckBoxNoTxtClick(); }); });
    connect(ScrollBarRed, &QScrollBar::valueChanged, this,
            [this] { guard([this] { ScrollBarRedChange(); }); });
    connect(ScrollBarGreen, &QScrollBar::valueChanged, this,
            [this] { guard([this] { ScrollBarGreenChange(); }); });
    connect(ScrollBarBlue, &QScrollBar::valueChanged, this,
            [this] { guard([this] { ScrollBarBlueChange(); }); });
    connect(TimerZast, &QTimer::timeout, this, [this] { guard([this] { TimerZastTimer(); }); });
    connect(SpeedButtonHelp, &QToolButton::clicked, this,
            [this] { guard([this] { SpeedButtonHelpClick(); }); });
    for (int t = 1; t <= kTemaButtons; ++t)
        connect(SpeedButtonTema[t], &SpeedButton::clicked, this,
                [this, t] { guard([this, t] { SpeedButtonTemaClick(t); }); });
    for (int n = 1; n <= kSongButtons; ++n)
        connect(SpeedButtonSong[n], &SpeedButton::clicked, this,
                [this, n] { guard([this, n] { SpeedButtonSongClick(n); }); });

    connect(SpeedButtonPlay, &QToolButton::clicked, this,
            [this] { guard([this] { transport_->SpeedButtonPlayClick(); }); });
    connect(SpeedButtonBegin, &QToolButton::clicked, this,
            [this] { guard([this] { transport_->SpeedButtonBeginClick(); }); });
    connect(TrackBarSong, &QSlider::valueChanged, this,
            [this] { guard([this] { transport_->TrackBarSongChange(); }); });
    connect(TimerPlay, &QTimer::timeout, this, [this] { guard([this] { transport_->TimerPlayTimer(); }); });
    // The device joins the end of a repeated song to its start itself: a rewind by the play
    // timer would come up to half a second late and restart the output.
    connect(CheckBoxRepeat, &QCheckBox::toggled, this, [this](bool on) { MediaPlayer.setRepeat(on); });
    connect(TimerMp3rpt, &QTimer::timeout, this,
            [this] { guard([this] { transport_->TimerMp3rptTimer(); }); });
    // A song that breaks off while playing (a damaged file, the sound server gone) says why and
    // leaves the transport stopped rather than showing Play down over silence.
    connect(&MediaPlayer, &sarvel::MediaPlayer::playbackError, this, [this](const QString& message) {
        SpeedButtonPlay->setChecked(false);
        prompts_.error(message);
    });
    connect(SpeedButtonOpenSong, &QToolButton::clicked, this,
            [this] { guard([this] { directOpen_->SpeedButtonOpenSongClick(); }); });
    connect(SpeedButtonOpenText, &QToolButton::clicked, this,
            [this] { guard([this] { directOpen_->SpeedButtonOpenTextClick(); }); });
    connect(SpeedButtonStage, &QToolButton::clicked, this, [this] { stage_->toggle(); });
    connect(SpeedButtonTiming, &QToolButton::clicked, this, [this] { guard([this] { timing_->toggle(); }); });
    connect(SpeedButtonPlay, &QToolButton::toggled, this, [this](bool down) {
        if (!down)
            guard([this] { timing_->songStopped(); });
    });
}

void TBaseForm::SpeedButtonSongClick(int number) {
    launch_->PlayAndText(number);
}

// A held Space acts once: its repeats would toggle the song some twenty times in a second and a half.
void TBaseForm::FormKeyDown(QKeyEvent* event) {
    if (event->key() == Qt::Key_F11 && !event->isAutoRepeat()) {
        stage_->toggle();
        return;
    }
    if (timing_->key(*event, false))
        return;
    if (transport_->keyTempoKey(*event))
        return;
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        transport_->spaceKey();
}

bool TBaseForm::RichEditKeyDown(QKeyEvent* event) {
    if (timing_->key(*event, true))
        return true;
    if (transport_->keyTempoKey(*event))
        return true;
    if (event->key() != Qt::Key_Space)
        return false;
    // Repeats of a Space that works the song are not typed into the words either.
    return event->isAutoRepeat() ? transport_->spaceKeyActs() : transport_->spaceKey();
}

void TBaseForm::keyPressEvent(QKeyEvent* event) {
    guard([this, event] { FormKeyDown(event); });
    QMainWindow::keyPressEvent(event);
}

// Taps not yet written are not lost with the window: they are written as leaving the mode would.
void TBaseForm::closeEvent(QCloseEvent* event) {
    guard([this] { timing_->leave(); });
    QMainWindow::closeEvent(event);
}

void TBaseForm::setSongCaption(int number, const QString& caption) {
    SpeedButtonSong.at(number)->setText(caption);
}

void TBaseForm::setSongGlyph(int number, const QImage& glyph) {
    SpeedButtonSong.at(number)->setGlyph(glyph);
}

void TBaseForm::setTemaCaption(int number, const QString& caption) {
    SpeedButtonTema.at(number)->setText(caption);
}

void TBaseForm::setTemaGlyph(int number, const QImage& glyph) {
    SpeedButtonTema.at(number)->setGlyph(glyph);
}

void TBaseForm::pressSong(int number) {
    SpeedButtonSong.at(number)->setChecked(true);
}

void TBaseForm::showSongPane() {
    songScroll_->show();
    GroupBoxSong->show();
    RichEdit->hide();
}

void TBaseForm::showTextPane() {
    RichEdit->show();
    songScroll_->hide();
}

bool TBaseForm::songPaneShown() const {
    return !songScroll_->isHidden() && !GroupBoxSong->isHidden();
}

bool TBaseForm::textPaneShown() const {
    return !RichEdit->isHidden();
}

void TBaseForm::setWindowColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    QPalette p = centralWidget()->palette();
    p.setColor(QPalette::Window, QColor(red, green, blue));
    centralWidget()->setPalette(p);
}

QColor TBaseForm::windowColor() const {
    return centralWidget()->palette().color(QPalette::Window);
}

void TBaseForm::SpeedButtonToSongClick() {
    showSongPane();
}

void TBaseForm::SpeedButtonToTextClick() {
    showTextPane();
}

void TBaseForm::SpeedButtonTemaClick(int tema) {
    state_.SelectedTemaNumber = tema;
    JobTema(tema, *this, state_);
}

void TBaseForm::SpeedButtonOptionClick() {
    if (!SpeedButtonOption->isChecked()) {
        GroupBoxOption->hide();
        return;
    }
    LabelDiskSize->setText(QStringLiteral("Size  hard  disc = ") + gigabyteFigure(driveSize_()));
    LabelDiskFree->setText(QStringLiteral("Free disc spase = ") + gigabyteFigure(driveFree_()));
    placeOptionPanel();
    GroupBoxOption->show();
    GroupBoxOption->raise();
}

void TBaseForm::CheckBoxButtonBeginClick() {
    SpeedButtonBegin->setVisible(CheckBoxButtonBegin->isChecked());
}

void TBaseForm::CheckBoxNoTxtClick() {
    writeCheckBoxNoTxt(CheckBoxNoTxt->isChecked());
}

void TBaseForm::ScrollBarRedChange() {
    state_.ColorRed = static_cast<std::uint8_t>(ScrollBarRed->value());
    setWindowColor(state_.ColorRed, state_.ColorGreen, state_.ColorBlue);
}

void TBaseForm::ScrollBarGreenChange() {
    state_.ColorGreen = static_cast<std::uint8_t>(ScrollBarGreen->value());
    setWindowColor(state_.ColorRed, state_.ColorGreen, state_.ColorBlue);
}

void TBaseForm::ScrollBarBlueChange() {
    state_.ColorBlue = static_cast<std::uint8_t>(ScrollBarBlue->value());
    setWindowColor(state_.ColorRed, state_.ColorGreen, state_.ColorBlue);
}

void TBaseForm::TimerZastTimer() {
    // A box raised during start-up (no sound server, a bad splash picture) runs its own loop, in
    // which this timer ticks before the splash is attached or the window is up: the splash waits
    // for a tick after the box, over the main window.
    if (!splash_ || !isVisible() || QApplication::activeModalWidget())
        return;
    TimerZast->stop();
    splash_->exec();
}

void TBaseForm::SpeedButtonHelpClick() {
    if (about_)
        about_->showModal();
}

void TBaseForm::placeOptionPanel() {
    // As wide as its texts need (the disk figures grow with the disk), within the pane area.
    const QRect area = content_->geometry();
    const QSize wanted = GroupBoxOption->sizeHint();
    const int width = std::min(area.width(), std::max(wanted.width(), 240));
    const int height = std::min(area.height(), wanted.height());
    GroupBoxOption->setGeometry(area.right() - width + 1, area.top(), std::max(width, 0),
                                std::max(height, 0));
}

bool TBaseForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == RichEdit && event->type() == QEvent::KeyPress) {
        bool consumed = false;
        guard([&] { consumed = RichEditKeyDown(static_cast<QKeyEvent*>(event)); });
        if (consumed)
            return true;
    }
    if (watched == TrackBarSong && event->type() == QEvent::KeyPress) {
        bool consumed = false;
        guard([&] { consumed = transport_->keyTempoKey(*static_cast<QKeyEvent*>(event)); });
        if (consumed)
            return true;
    }
    if (watched == centralWidget() && event->type() == QEvent::Resize && GroupBoxOption)
        placeOptionPanel();
    return QMainWindow::eventFilter(watched, event);
}

} // namespace sarvel
