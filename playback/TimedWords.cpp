#include "TimedWords.h"

#include "DataFolder.h"
#include "KarLyrics.h"
#include "MediaPlayer.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QScrollBar>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

namespace sarvel {

QString existingFile(const QString& stored) {
    return namesExistingFile(stored) ? fromStoredPath(stored) : QString();
}

TimedWords::TimedWords(QTextEdit& pane, MediaPlayer& player, QAbstractButton& play)
    : pane_(pane), player_(player), play_(play) {
    timer_.setInterval(tickMs);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    QObject::connect(&play_, &QAbstractButton::toggled, &timer_, [this] { runTick(); });
}

void TimedWords::attach(const QString& wordsPath, const QString& songPath) {
    detach();
    const bool wordsShown = !wordsPath.isEmpty() && QFileInfo(wordsPath).isFile() &&
                            QFileInfo(wordsPath).fileName().compare(u"NoRtf.rtf", Qt::CaseInsensitive) != 0;
    // A timing file beside the words or the song wins over the lyrics a MIDI song carries.
    const QString timing = findTimingFile(wordsShown ? wordsPath : QString(), songPath);
    const std::optional<Lrc> lrc = !timing.isEmpty()          ? readLrcFile(timing)
                                   : isMidiSongName(songPath) ? readKarFile(songPath)
                                                              : std::nullopt;
    if (!lrc || lrc->lines.empty())
        return;
    std::vector<int> lineFor;
    if (!wordsShown) {
        // The timing file's own lines become the words, one paragraph each.
        QStringList text;
        for (const LrcLine& line : lrc->lines) {
            lineFor.push_back(int(text.size()));
            text << line.text;
        }
        auto* words = new QTextDocument(&pane_);
        words->setDefaultFont(pane_.document()->defaultFont());
        words->setDefaultStyleSheet(pane_.document()->defaultStyleSheet());
        words->setPlainText(text.join(u'\n'));
        SungMarks::of(pane_).showWords(words);
    }
    const std::vector<WordsLine> lines = wordsLines(*pane_.document());
    if (wordsShown)
        lineFor = matchLines(*lrc, lines);
    clock_ = LineClock(*lrc, lines, lineFor);
    if (clock_.empty())
        return;
    doc_ = pane_.document();
    timing_ = timing;
    lrc_ = *lrc;
    lines_ = lines;
    lineFor_ = lineFor;
    runTick();
    rewind();
}

void TimedWords::detach() {
    timer_.stop();
    clock_ = {};
    doc_ = nullptr;
    shown_ = {};
    timing_.clear();
    lrc_ = {};
}

void TimedWords::hold(bool on) {
    held_ = on;
    shown_ = {};
    runTick();
}

void TimedWords::setOffset(std::int64_t ms) {
    if (!active())
        return;
    lrc_.offset = ms;
    clock_ = LineClock(lrc_, lines_, lineFor_);
    follow();
}

void TimedWords::showAt(int positionMs) {
    if (!active() || held_)
        return;
    if (pane_.document() != doc_) {
        // Other words were loaded without their timing: the marks were for the old ones.
        detach();
        return;
    }
    show(clock_.at(positionMs));
}

void TimedWords::follow() {
    showAt(player_.Position());
}

void TimedWords::rewind() {
    shown_ = {};
    if (active())
        SungMarks::of(pane_).clear();
    showAt(0);
}

void TimedWords::runTick() {
    if (active() && !held_ && play_.isChecked())
        timer_.start();
    else
        timer_.stop();
}

void TimedWords::tick() {
    if (player_.mode() == MediaPlayer::Mode::Playing)
        follow();
}

void TimedWords::show(const Highlight& h) {
    if (h == shown_)
        return;
    shown_ = h;
    SungMarks& marks = SungMarks::of(pane_);
    if (h.lineStart < 0) {
        marks.clear();
        return;
    }
    QTextCursor cursor(doc_);
    cursor.setPosition(std::clamp(h.lineStart, 0, doc_->characterCount() - 1));
    pane_.setTextCursor(cursor);
    marks.mark(h);
}

SungMarks& SungMarks::of(QTextEdit& pane) {
    if (auto* marks = pane.findChild<SungMarks*>(QString(), Qt::FindDirectChildrenOnly))
        return *marks;
    return *new SungMarks(pane);
}

SungMarks::SungMarks(QTextEdit& pane) : QObject(&pane), pane_(pane) {}

void SungMarks::mark(const Highlight& h) {
    const int last = pane_.document()->characterCount() - 1;
    Highlight clamped = h;
    for (int* at : {&clamped.lineStart, &clamped.lineEnd, &clamped.wordStart, &clamped.wordEnd})
        if (*at >= 0)
            *at = std::min(*at, last);
    showSungMarks(pane_, clamped);
    if (clamped != current_) {
        current_ = clamped;
        emit changed();
    }
}

void SungMarks::showWords(QTextDocument* words) {
    // The marks go while their words are still there: Qt measures the old marks as they are
    // cleared, and deletes the pane's first words, its own, as new ones take their place.
    clear();
    const QPointer<QTextDocument> old = pane_.document();
    pane_.setDocument(words);
    if (old)
        old->deleteLater();
    emit wordsReplaced();
}

void SungMarks::clear() {
    pane_.setExtraSelections({});
    if (current_ != Highlight{}) {
        current_ = {};
        emit changed();
    }
}

Highlight wordsLineAt(const QTextDocument& doc, int position) {
    const QTextBlock block = doc.findBlock(position);
    if (!block.isValid())
        return {};
    const QString text = block.text();
    const int at = std::clamp(position - block.position(), 0, int(text.size()));
    const int start = at == 0 ? 0 : int(text.lastIndexOf(QChar::LineSeparator, at - 1)) + 1;
    int end = int(text.indexOf(QChar::LineSeparator, at));
    if (end < 0)
        end = int(text.size());
    return {block.position() + start, block.position() + end, -1, -1};
}

void showSungMarks(QTextEdit& view, const Highlight& h) {
    if (h.lineStart < 0) {
        view.setExtraSelections({});
        return;
    }
    QTextDocument* doc = view.document();
    const int last = doc->characterCount() - 1;
    QTextEdit::ExtraSelection line;
    line.format.setBackground(kSungLineBackground);
    line.format.setForeground(Qt::white);
    line.format.setProperty(QTextFormat::FullWidthSelection, true);
    // The whole words line with the break that ends it, so each screen line it wraps over is marked
    // to the view's edge; the last one again on its own, as the document's end has no break to take.
    line.cursor = QTextCursor(doc);
    line.cursor.setPosition(std::clamp(h.lineEnd + 1, 0, last));
    line.cursor.setPosition(std::clamp(h.lineStart, 0, last), QTextCursor::KeepAnchor);
    QTextEdit::ExtraSelection tail = line;
    tail.cursor.setPosition(std::clamp(h.lineEnd, 0, last));
    QList<QTextEdit::ExtraSelection> marks{line, tail};
    if (h.wordStart >= 0 && h.wordEnd > h.wordStart) {
        QTextEdit::ExtraSelection sung;
        sung.format.setBackground(kSungWordBackground);
        sung.format.setForeground(Qt::white);
        sung.format.setFontUnderline(true);
        sung.cursor = QTextCursor(doc);
        sung.cursor.setPosition(std::clamp(h.wordStart, 0, last));
        sung.cursor.setPosition(std::clamp(h.wordEnd, 0, last), QTextCursor::KeepAnchor);
        marks << sung;
    }
    view.setExtraSelections(marks);
    QTextCursor top(doc);
    top.setPosition(std::clamp(h.lineStart, 0, last));
    QScrollBar* bar = view.verticalScrollBar();
    bar->setValue(bar->value() + view.cursorRect(top).top() - view.viewport()->height() / 3);
}

void markSungLine(QTextEdit& pane, const QTextCursor& cursor, const QTextCursor* word) {
    Highlight h = wordsLineAt(*pane.document(), cursor.position());
    if (word && word->hasSelection()) {
        h.wordStart = word->selectionStart();
        h.wordEnd = word->selectionEnd();
    }
    SungMarks::of(pane).mark(h);
}

} // namespace sarvel
