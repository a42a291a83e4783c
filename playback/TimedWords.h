#pragma once

#include "Lrc.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTextDocument>
#include <QTimer>

class QAbstractButton;
class QTextCursor;
class QTextEdit;

namespace sarvel {

class MediaPlayer;

// The file a stored path names, or empty when it names none: what the timing file is looked up by.
QString existingFile(const QString& stored);

// The sung line: white on a deep blue, which stands out from the pane's cream from across the stage.
inline const QColor kSungLineBackground(30, 80, 160);
// The word being sung inside it: a brighter blue, underlined.
inline const QColor kSungWordBackground(60, 140, 235);

// The sung line and word of a words pane: the one record of what is marked, kept by whatever moves
// the mark (the timing file, the caret following the song, the taps), and told to every view that
// repeats the pane's marks. Found by `of`, living as long as the pane.
class SungMarks : public QObject {
    Q_OBJECT
public:
    static SungMarks& of(QTextEdit& pane);

    // Marks a words line (a paragraph, or a part of one split by a line break) as sung, and the
    // word in it when there is one, and keeps it a third of the way down the pane so the performer
    // reads ahead. Nothing is told when the same marks are set again.
    void mark(const Highlight& h);
    // No line is marked (before the first time, in an instrumental break, the song rewound).
    void clear();
    // What is marked, in document positions; lineStart < 0 for nothing.
    const Highlight& current() const { return current_; }
    // Hands other words to the pane: the marks go, and words handed over before are deleted (the
    // pane deletes the document it made itself).
    void showWords(QTextDocument* words);

signals:
    void changed();
    void wordsReplaced();

private:
    explicit SungMarks(QTextEdit& pane);

    QTextEdit& pane_;
    Highlight current_;
};

// The marks of `h` in `view`, a view of the document the marks were made for, the line kept a
// third of the way down: the pane's own drawing and a copy's alike.
void showSungMarks(QTextEdit& view, const Highlight& h);
// The words line around a document position: where it starts and ends, as Highlight gives a line.
Highlight wordsLineAt(const QTextDocument& doc, int position);

// Marks the words line at `cursor` as sung, plus `word` inside it when not null.
void markSungLine(QTextEdit& pane, const QTextCursor& cursor, const QTextCursor* word = nullptr);

// The words following the song by its timing file (LRC), or else the lyrics of a MIDI song: the line of the
// latest time not after the song's position is marked and kept a third of the way down the pane, its current
// word marked inside it. A finer tick than the play timer's runs while timed words are shown and the song
// plays (its Play button is down), so the mark moves within a few tens of milliseconds of its time.
class TimedWords {
public:
    static constexpr int tickMs = 20;

    TimedWords(QTextEdit& pane, MediaPlayer& player, QAbstractButton& play);

    // Looks for the timing file of the words and the song now shown (either path may be empty),
    // or the lyrics in a MIDI song, and follows it from the song's start; without either the pane
    // is left to the play timer.
    // Words that are not shown (empty path, the NoRtf placeholder) give way to the timing
    // file's own text.
    void attach(const QString& wordsPath, const QString& songPath);
    // Whether the words follow a timing file.
    bool active() const { return doc_ && !clock_.empty(); }
    // Marks the words at a position of the song (ms).
    void showAt(int positionMs);
    // Marks the words where the device stands.
    void follow();
    // Back to the song's start, after the pane's marks were cleared.
    void rewind();
    // Held, the words are left alone (timing them by tapping along marks them itself).
    void hold(bool on);
    bool held() const { return held_; }
    // The timing file followed and its offset (ms, positive shows the words earlier); a new
    // offset applies at once and is not written.
    const QString& timingFile() const { return timing_; }
    std::int64_t offset() const { return lrc_.offset; }
    void setOffset(std::int64_t ms);

private:
    void tick();
    void runTick();
    void detach();
    void show(const Highlight& h);

    QTextEdit& pane_;
    MediaPlayer& player_;
    QAbstractButton& play_;
    QTimer timer_;
    QPointer<QTextDocument> doc_; // the words the clock was matched to
    LineClock clock_;
    Highlight shown_;
    bool held_ = false;
    QString timing_;
    Lrc lrc_;
    std::vector<WordsLine> lines_;
    std::vector<int> lineFor_;
};

} // namespace sarvel
