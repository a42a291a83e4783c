#include "StageView.h"

#include "TimedWords.h"
#include "WordsZoom.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

namespace sarvel {

namespace {
constexpr int kLinesOnScreen = 10;
// Text darker than this is lifted to it, backgrounds lighter than the other brought down to it:
// each keeps its hue, and text stays at least 7:1 against black.
constexpr double kTextLightness = 0.8;
constexpr double kBackgroundLightness = 0.2;

QBrush recoloured(const QBrush& brush, double lightness, bool atLeast) {
    QColor c = brush.color().toHsl();
    const double l = c.lightnessF();
    if (atLeast ? l >= lightness : l <= lightness)
        return brush;
    c.setHslF(c.hslHueF(), c.hslSaturationF(), lightness, c.alphaF());
    return QBrush(c.toRgb());
}

// The changes that make a format light on dark; false when it needs none.
bool lightened(const QTextCharFormat& from, QTextCharFormat& to) {
    bool any = false;
    if (from.hasProperty(QTextFormat::ForegroundBrush) && from.foreground().style() != Qt::NoBrush) {
        to.setForeground(recoloured(from.foreground(), kTextLightness, true));
        any = true;
    }
    if (from.hasProperty(QTextFormat::BackgroundBrush) && from.background().style() != Qt::NoBrush) {
        to.setBackground(recoloured(from.background(), kBackgroundLightness, false));
        any = true;
    }
    return any;
}

// The words made for a dark background: dark text lifted, light backgrounds brought down.
void lightOnDark(QTextDocument& words) {
    const bool undo = words.isUndoRedoEnabled();
    words.setUndoRedoEnabled(false);
    QTextCursor cursor(&words);
    for (QTextBlock block = words.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat blockFormat = block.blockFormat();
        if (blockFormat.hasProperty(QTextFormat::BackgroundBrush)) {
            blockFormat.setBackground(recoloured(blockFormat.background(), kBackgroundLightness, false));
            cursor.setPosition(block.position());
            cursor.setBlockFormat(blockFormat);
        }
    }
    words.setUndoRedoEnabled(undo);
    changeCharFormats(words, lightened);
}

// The second screen is the audience's or the performer's own; without one the main window's.
QScreen* stageScreen(const QList<QScreen*>& screens, QScreen* main) {
    for (QScreen* screen : screens)
        if (screen != main)
            return screen;
    return main ? main : (screens.isEmpty() ? nullptr : screens.first());
}

} // namespace

StageView::StageView(QTextEdit& pane, QLabel& caption, QLabel& timeLeft, QWidget& keys)
    : QWidget(nullptr, Qt::Window), pane_(pane), caption_(caption), timeLeft_(timeLeft), keys_(keys) {
    setObjectName(QStringLiteral("StageView"));
    setAttribute(Qt::WA_QuitOnClose, false); // closing the main window ends the program
    setAccessibleName(QStringLiteral("Stage view"));
    setWindowTitle(QStringLiteral("Stage"));
    setStyleSheet(QStringLiteral("background: black;"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 8, 24, 8);

    words_ = new QTextEdit(this);
    words_->setObjectName(QStringLiteral("StageWords"));
    words_->setAccessibleName(QStringLiteral("Stage words"));
    words_->setReadOnly(true);
    words_->setFrameShape(QFrame::NoFrame);
    words_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    words_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    words_->setStyleSheet(QStringLiteral("QTextEdit { background: black; color: #F0F0E0; }"));
    // The pane's unzoomed font: sizes in the words keep their proportions to it.
    words_->setFont(pane.font());
    zoom_ = new WordsZoom(*words_);
    zoom_->setBaseFont(pane.font());
    words_->installEventFilter(this); // after the zoom's filter, so it sees the keys first

    corner_ = new QLabel(this);
    corner_->setObjectName(QStringLiteral("StageCorner"));
    corner_->setAccessibleName(QStringLiteral("Stage song and time left"));
    corner_->setStyleSheet(QStringLiteral("color: #A0A0A0; font-size: 20px;"));
    corner_->setAlignment(Qt::AlignRight);
    column->addWidget(corner_);
    column->addWidget(words_, 1);

    // Words loaded, edited or zoomed in the pane are copied once the change is complete.
    recopy_.setSingleShot(true);
    recopy_.setInterval(0);
    connect(&recopy_, &QTimer::timeout, this, [this] { copyWords(); });
    const auto wordsChanged = [this] {
        stale_ = true;
        if (isVisible())
            recopy_.start();
    };
    connect(&pane, &QTextEdit::textChanged, this, wordsChanged);
    SungMarks& marks = SungMarks::of(pane);
    connect(&marks, &SungMarks::wordsReplaced, this, wordsChanged);
    connect(&marks, &SungMarks::changed, this, [this] {
        if (!isVisible())
            return;
        if (stale_)
            words_->setExtraSelections({}); // the marks are for words not copied yet
        else
            showMarks();
    });
}

void StageView::toggle() {
    if (isVisible())
        hide();
    else
        enter();
}

void StageView::enter() {
    if (QScreen* screen = stageScreen(QGuiApplication::screens(), keys_.screen())) {
        setScreen(screen);
        setGeometry(screen->geometry());
        // About ten lines of the words' main size fill the height the words have.
        const int height = screen->geometry().height() - corner_->sizeHint().height() - 2 * 8 - 6;
        QFont font = pane_.font();
        font.setPixelSize(100);
        const double spacing = QFontMetricsF(font).lineSpacing() / 100.0;
        bodyPixels_ = std::max(12.0, height / double(kLinesOnScreen) / spacing);
    }
    stale_ = true;
    copyWords();
    showFullScreen();
    activateWindow();
    words_->setFocus();
}

void StageView::copyWords() {
    recopy_.stop();
    stale_ = false;
    QTextDocument* copy = pane_.document()->clone(words_);
    lightOnDark(*copy);
    const QPointer<QTextDocument> old = words_->document();
    words_->setDocument(copy);
    if (old && old->parent() == words_)
        old->deleteLater();
    zoom_->fitBody(bodyPixels_);
    words_->verticalScrollBar()->setValue(0);
    showMarks();
    showCorner();
}

void StageView::showMarks() {
    showSungMarks(*words_, SungMarks::of(pane_).current());
}

void StageView::showCorner() {
    const QString caption = caption_.text().trimmed();
    const QString corner = (caption.isEmpty() || caption.startsWith('-') ? QString() : caption + "   ") +
                           timeLeft_.text().trimmed();
    if (corner_->text() != corner)
        corner_->setText(corner);
}

bool StageView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == words_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool zoomKey = (key->modifiers() & Qt::ControlModifier) &&
                             (key->key() == Qt::Key_Plus || key->key() == Qt::Key_Equal ||
                              key->key() == Qt::Key_Minus || key->key() == Qt::Key_0);
        if (zoomKey)
            return false; // the zoom's own filter takes it
        if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_F11) {
            hide();
            keys_.activateWindow();
            return true;
        }
        // Everything else the main window would do with the key.
        QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(),
                       ushort(key->count()));
        QCoreApplication::sendEvent(&keys_, &copy);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace sarvel
