#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

class QTextDocument;

namespace sarvel {

// A timing file: lines of words, each tied to one or more times, optionally with a time per word.
struct LrcWord {
    std::int64_t time = 0; // ms, as written for the line's first time
    int start = 0;         // in LrcLine::text
    int length = 0;
};

struct LrcLine {
    QString text;                    // the words, without any tags
    std::vector<std::int64_t> times; // ms, as written (a chorus may carry several)
    std::vector<LrcWord> words;      // empty without word tags
};

struct Lrc {
    std::vector<LrcLine> lines; // in the file's order
    std::int64_t offset = 0;    // ms; positive shows the words earlier
};

// Reads the lines that carry a time (UTF-8 or Windows-1251, as decodeUtf8OrCp1251 decides); ID
// tags other than the offset, unknown tags and malformed lines are skipped.
Lrc parseLrc(const QByteArray& bytes);
// The file read and parsed; nothing when it can't be read.
std::optional<Lrc> readLrcFile(const QString& path);

// The timing file of a song: the .lrc of the same base name beside the words file, otherwise
// beside the song file, letter case ignored. Empty when there is none.
QString findTimingFile(const QString& wordsPath, const QString& songPath);

// One line of shown words: a paragraph, or a part of one split by a line break.
struct WordsLine {
    int start = 0; // document position of its first character
    QString text;
};
std::vector<WordsLine> wordsLines(const QTextDocument& doc);

// Letters and digits only, case-folded: what two lines are compared by.
QString matchKey(QStringView text);
// For each timing line, the index of the words line it stands for, or -1. Lines are matched in
// order and a match never goes back; a timing line without a match is skipped. Of the ways to do
// that, one that matches the most lines, then keeps the most of them together.
std::vector<int> matchLines(const Lrc& lrc, const std::vector<WordsLine>& words);

// What the words show at a moment of the song, in document positions (end exclusive); -1 for none.
struct Highlight {
    int lineStart = -1;
    int lineEnd = -1;
    int wordStart = -1;
    int wordEnd = -1;
    bool operator==(const Highlight&) const = default;
};

// Decides which words line (and word) is current at a position of the song: the line of the
// latest time not after it, none in an instrumental break (a time without words). The one place
// that decides this, for every view of the words.
class LineClock {
public:
    LineClock() = default;
    // lineFor: as matchLines gives it, one entry per timing line.
    LineClock(const Lrc& lrc, const std::vector<WordsLine>& words, const std::vector<int>& lineFor);

    Highlight at(std::int64_t positionMs) const;
    bool empty() const { return entries_.empty(); }

private:
    struct Word {
        std::int64_t time;
        int start;
        int end; // start == end: no word is current (the tag ending the line)
    };
    struct Entry {
        int start;
        int end;
        std::vector<Word> words;
    };
    struct Cue {
        std::int64_t time;
        int entry;
        std::int64_t shift; // from the line's first time to this one, for its word times
    };
    std::vector<Entry> entries_;
    std::vector<Cue> cues_; // by time; equal times keep the file's order; entry -1: a break
    std::int64_t offset_ = 0;
};

} // namespace sarvel
