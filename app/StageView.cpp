#include "StageView.h"

#include "TimedWords.h"
#include "WordsZoom.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QVBoxLayout>

namespace sarvel {

namespace {
constexpr int kLinesOnScreen = 10;
constexpr int kFollowMs = 100;
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
    words_->setStyleSheet(QStringLiteral("QTextEdit { background: black; color: #F0F0E0; }"));
    QFont font = words_->font();
    font.setBold(true);
    font.setPixelSize(48);
    words_->setFont(font);
    zoom_ = new WordsZoom(*words_);
    words_->installEventFilter(this); // after the zoom's filter, so it sees the keys first

    corner_ = new QLabel(this);
    corner_->setObjectName(QStringLiteral("StageCorner"));
    corner_->setAccessibleName(QStringLiteral("Stage song and time left"));
    corner_->setStyleSheet(QStringLiteral("color: #A0A0A0; font-size: 20px;"));
    corner_->setAlignment(Qt::AlignRight);
    column->addWidget(corner_);
    column->addWidget(words_, 1);

    follower_.setInterval(kFollowMs);
    connect(&follower_, &QTimer::timeout, this, [this] { follow(); });
}

void StageView::toggle() {
    if (isVisible())
        hide();
    else
        enter();
}

void StageView::enter() {
    // The second screen is the audience's or the performer's own; without one the main window's.
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* screen = screens.size() > 1 ? screens[1] : keys_.screen();
    if (screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
        // About ten lines fill the screen at the words' own size.
        QFont font = words_->font();
        font.setPixelSize(std::max(12, screen->geometry().height() / kLinesOnScreen * 3 / 4));
        words_->setFont(font);
        zoom_->setBaseFont(font);
    }
    shownText_.clear();
    markedBlock_ = -2;
    follow();
    showFullScreen();
    activateWindow();
    words_->setFocus();
    follower_.start();
}

void StageView::follow() {
    const QString text = pane_.toPlainText();
    if (text != shownText_) {
        shownText_ = text;
        words_->setPlainText(text);
        markedBlock_ = -2;
    }
    const QList<QTextEdit::ExtraSelection> marks = pane_.extraSelections();
    const int block = marks.isEmpty() ? -1 : marks.first().cursor.blockNumber();
    if (block != markedBlock_) {
        markedBlock_ = block;
        if (block < 0) {
            words_->setExtraSelections({});
            words_->verticalScrollBar()->setValue(0);
        } else {
            QTextCursor line(words_->document()->findBlockByNumber(block));
            markSungLine(*words_, line);
        }
    }
    const QString caption = caption_.text().trimmed();
    const QString corner = (caption.isEmpty() || caption.startsWith('-') ? QString() : caption + "   ") +
                           timeLeft_.text().trimmed();
    if (corner_->text() != corner)
        corner_->setText(corner);
    if (!isVisible())
        follower_.stop();
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
