#include "TimedWords.h"

#include "DataFolder.h"
#include "KarLyrics.h"
#include "MediaPlayer.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QScrollBar>
#include <QStringList>
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
        const QPointer<QTextDocument> old = pane_.document();
        pane_.setDocument(words);
        if (old)
            old->deleteLater();
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
        pane_.setExtraSelections({});
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
    if (h.lineStart < 0) {
        pane_.setExtraSelections({});
        return;
    }
    const int end = doc_->characterCount() - 1;
    QTextCursor cursor(doc_);
    cursor.setPosition(std::clamp(h.lineStart, 0, end));
    pane_.setTextCursor(cursor);

    if (h.wordStart < 0) {
        markSungLine(pane_, cursor);
        return;
    }
    QTextCursor word = cursor;
    word.setPosition(std::clamp(h.wordStart, 0, end));
    word.setPosition(std::clamp(h.wordEnd, 0, end), QTextCursor::KeepAnchor);
    markSungLine(pane_, cursor, &word);
}

void markSungLine(QTextEdit& pane, const QTextCursor& cursor, const QTextCursor* word) {
    QTextEdit::ExtraSelection line;
    line.format.setBackground(kSungLineBackground);
    line.format.setForeground(Qt::white);
    line.format.setProperty(QTextFormat::FullWidthSelection, true);
    line.cursor = cursor;
    line.cursor.clearSelection();
    QList<QTextEdit::ExtraSelection> marks{line};
    if (word) {
        QTextEdit::ExtraSelection sung;
        sung.format.setBackground(kSungWordBackground);
        sung.format.setForeground(Qt::white);
        sung.format.setFontUnderline(true);
        sung.cursor = *word;
        marks << sung;
    }
    pane.setExtraSelections(marks);
    QScrollBar* bar = pane.verticalScrollBar();
    bar->setValue(bar->value() + pane.cursorRect(cursor).top() - pane.viewport()->height() / 3);
}

} // namespace sarvel
