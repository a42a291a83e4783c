#include "TimingMode.h"

#include "AtomicWrite.h"
#include "MediaPlayer.h"
#include "Prompts.h"
#include "SelectionState.h"
#include "TimedWords.h"
#include "Transport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QSlider>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>

#include <utility>

namespace sarvel {

namespace {

bool wordsShown(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile() &&
           QFileInfo(path).fileName().compare(u"NoRtf.rtf", Qt::CaseInsensitive) != 0;
}

} // namespace

TimingMode::TimingMode(const MainControls& controls, MediaPlayer& player, Transport& transport,
                       SelectionState& state, Prompts& prompts, QToolButton& button)
    : c_(controls), player_(player), transport_(transport), state_(state), prompts_(prompts),
      button_(button) {}

void TimingMode::toggle() {
    if (on_)
        finish(true);
    else
        start();
}

void TimingMode::cancel() {
    if (on_)
        finish(false);
}

void TimingMode::start() {
    const QString words = existingFile(state_.TextFileName);
    TimedWords& timed = transport_.timedWords();
    // Taps need a song, and words of a file (or of its timing file) to time.
    if (!state_.SongLoaded || (!wordsShown(words) && !timed.active())) {
        button_.setChecked(false);
        c_.LabelStatus->setText(QStringLiteral("Timing: open a song and its words first"));
        return;
    }
    taps_ = TapAlong(wordsLines(*c_.RichEdit->document()));
    if (!taps_.hasLines()) {
        button_.setChecked(false);
        c_.LabelStatus->setText(QStringLiteral("Timing: the words have no lines"));
        return;
    }
    on_ = true;
    words_ = wordsShown(words) ? words : QString();
    song_ = existingFile(state_.SongFileName);
    shownText_ = c_.RichEdit->toPlainText();
    offset_ = timed.active() ? timed.offset() : 0;
    // A stray key must not change the lines being timed.
    wasReadOnly_ = c_.RichEdit->isReadOnly();
    c_.RichEdit->setReadOnly(true);
    timed.hold(true);
    mark(nullptr);
    button_.setChecked(true);
    c_.LabelStatus->setText(QStringLiteral("Timing: Enter/Down stamps, Up takes back, Esc cancels"));
}

void TimingMode::finish(bool write, bool ask) {
    on_ = false;
    button_.setChecked(false);
    c_.RichEdit->setReadOnly(wasReadOnly_);
    mark(nullptr);
    TimedWords& timed = transport_.timedWords();
    timed.hold(false);
    timed.follow();
    c_.LabelStatus->setText(QStringLiteral(" "));
    if (!write || taps_.empty())
        return;
    const QString path = target();
    if (QFileInfo::exists(path) &&
        (!ask || !prompts_.question(QStringLiteral("Timing"),
                                    QStringLiteral("Заменить файл %1?").arg(QDir::toNativeSeparators(path)))))
        return;
    writeFileAtomically(path, formatLrc(taps_.stamped(), offset_));
    if (QFileInfo(nudged_) == QFileInfo(path))
        nudged_.clear(); // the new file carries the offset of the mode
    // The words follow the new timing at once, unless other words came meanwhile.
    if (c_.RichEdit->toPlainText() == shownText_) {
        timed.attach(words_, song_);
        timed.follow();
    }
}

QString TimingMode::target() const {
    if (words_.isEmpty())
        return transport_.timedWords().timingFile(); // the words are the timing file's own
    const QString beside = findTimingFile(words_, QString());
    if (!beside.isEmpty())
        return beside;
    const QFileInfo info(words_);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".lrc"));
}

bool TimingMode::key(const QKeyEvent& event, bool inWords) {
    // Other words, or the words edited: the lines tapped are no longer the ones shown.
    if (on_ && c_.RichEdit->toPlainText() != shownText_)
        finish(true);
    const int k = event.key();
    const bool plain =
        !(event.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier | Qt::GroupSwitchModifier));
    // The same keys on a Russian layout: Е, Х, Ъ.
    const bool keyT = k == Qt::Key_T || k == 0x0415;
    const bool keyLeft = k == Qt::Key_BracketLeft || k == 0x0425;
    const bool keyRight = k == Qt::Key_BracketRight || k == 0x042A;
    if (on_ && plain) {
        switch (k) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Down:
        case Qt::Key_PageDown:
            // A pedal held down stamps once.
            if (event.isAutoRepeat())
                return true;
            if (const WordsLine* line = taps_.tap(player_.Position()))
                mark(line);
            return true;
        case Qt::Key_Up:
        case Qt::Key_PageUp:
            mark(taps_.takeBack());
            return true;
        case Qt::Key_Escape:
            finish(false);
            return true;
        default:
            break;
        }
    }
    // Letters act like Space does: in the words only while the keyboard works the song.
    if (inWords && !on_ && !transport_.spaceKeyActs())
        return false;
    if (keyT && plain && !event.isAutoRepeat()) {
        toggle();
        return true;
    }
    if ((keyLeft || keyRight) && plain) {
        nudge(keyRight ? nudgeMs : -nudgeMs);
        return on_ || transport_.timedWords().active() || !inWords;
    }
    return false;
}

void TimingMode::nudge(std::int64_t ms) {
    TimedWords& timed = transport_.timedWords();
    if (on_) {
        offset_ += ms;
    } else if (timed.active()) {
        timed.setOffset(timed.offset() + ms);
        nudged_ = timed.timingFile();
        nudgedOffset_ = timed.offset();
    } else {
        return;
    }
    const std::int64_t now = on_ ? offset_ : timed.offset();
    c_.LabelStatus->setText(QStringLiteral("Timing offset %1%2 ms").arg(now > 0 ? "+" : "").arg(now));
}

void TimingMode::leave(bool ask) {
    if (on_)
        finish(true, ask);
}

void TimingMode::songStopped() {
    if (on_)
        finish(true);
    else
        saveOffset();
}

void TimingMode::saveOffset() {
    // Kept for the file nudged, even when other words came since.
    const QString path = std::exchange(nudged_, QString());
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    file.close();
    if (parseLrc(bytes).offset != nudgedOffset_)
        writeFileAtomically(path, withLrcOffset(bytes, nudgedOffset_));
}

void TimingMode::mark(const WordsLine* line) {
    QTextEdit* pane = c_.RichEdit;
    if (!line) {
        SungMarks::of(*pane).clear();
        return;
    }
    QTextCursor cursor(pane->document());
    cursor.setPosition(std::clamp(line->start, 0, pane->document()->characterCount() - 1));
    pane->setTextCursor(cursor);
    markSungLine(*pane, cursor);
}

} // namespace sarvel
