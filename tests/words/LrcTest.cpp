#include "Lrc.h"
#include "RtfReader.h"
#include "RtfTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <vector>

namespace sarvel {
namespace {

struct Moment {
    int position;               // ms
    int line;                   // words line highlighted, -1 for none
    const char* word = nullptr; // the word marked in it, if any
};

struct Song {
    const char* name; // the demo kit's words and tests/data/lrc hold a file each of this name
    std::vector<Moment> moments;
};

// Each timing file is read from disk, matched to the demo kit's words for the same song, and the
// highlight looked up along the song.
TEST(LrcTiming, FollowsTheDemoWords) {
    const std::vector<Song> songs = {
        // UTF-8, LF; ID tags, unknown tag, offset +500 ms, a repeated chorus, 1- and 3-digit
        // fractions, a malformed time, a line not in the words; the chorus is in the words twice.
        {"Twinkle_Twinkle",
         {{0, -1},
          {9400, -1},
          {9500, 3}, // the verse, not the title before it that has the same letters
          {13600, 4},
          {34000, 9}, // the malformed 00:3x line is skipped
          {37600, 12},
          {39990, 12}, // 00:40.5 is 40 500 ms
          {40000, 13},
          {45600, 14}, // "Instrumental" has no line: the one before stays
          {57600, 8},  // the chorus again, by its second tag
          {61600, 9},
          {70000, 16}}}, // the next match is after the last one, never back to line 3 or 8
        // Windows-1251, CRLF; mm:ss forms, minutes past 59, lines without a time or with a
        // broken tag, a blank timed line.
        {"Korobeiniki",
         {{4999, -1},
          {5000, 3},
          {9499, 3},
          {9500, 4},
          {13250, 5},
          {17124, 5},
          {17125, 6},
          {66000, 8},
          {3660000, 16}}},
        // UTF-8 with BOM, CRLF; word tags, repeated with the line's second tag; a broken word tag.
        {"Greensleeves",
         {{1999, -1},
          {2000, 3, "Alas"},
          {2700, 3, "my"},
          {3200, 3, "love"},
          {3600, 3, "you do me wrong"},
          {5000, 3}, // the tag that ends the line
          {6500, 8, "Greensleeves"},
          {7200, 8, "all my joy"},
          {9000, 8}, // the line with the broken tag is skipped
          {20500, 8, "Greensleeves"},
          {20900, 8, "was"}}},
    };
    for (const Song& song : songs) {
        SCOPED_TRACE(song.name);
        QTextDocument doc;
        RtfReader::readFile(QStringLiteral(SARVEL_ASSETS "/TEXTS/%1.rtf").arg(song.name), doc);
        const std::vector<WordsLine> lines = wordsLines(doc);
        const std::optional<Lrc> lrc =
            readLrcFile(QStringLiteral(SARVEL_TEST_DATA "/lrc/%1.lrc").arg(song.name));
        ASSERT_TRUE(lrc);
        const LineClock clock(*lrc, lines, matchLines(*lrc, lines));
        const QString text = doc.toPlainText();
        for (const Moment& m : song.moments) {
            SCOPED_TRACE(m.position);
            const Highlight h = clock.at(m.position);
            if (m.line < 0) {
                EXPECT_EQ(h, Highlight{});
                continue;
            }
            ASSERT_LT(m.line, int(lines.size()));
            EXPECT_EQ(text.mid(h.lineStart, h.lineEnd - h.lineStart), lines[m.line].text);
            EXPECT_EQ(h.wordStart < 0 ? QString() : text.mid(h.wordStart, h.wordEnd - h.wordStart),
                      QString::fromUtf8(m.word ? m.word : ""));
        }
    }
}

TEST(LrcTiming, FoundBesideTheWordsThenBesideTheSong) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDir root(dir.path());
    ASSERT_TRUE(root.mkpath("TEXTS") && root.mkpath("SONGS"));
    auto touch = [&](const QString& name) {
        QFile f(root.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    const QString words = root.filePath("TEXTS/Song7.rtf");
    const QString song = root.filePath("SONGS/Song7.mp3");
    touch("TEXTS/Song7.rtf");
    touch("SONGS/Song7.mp3");
    touch("TEXTS/Song8.lrc");
    EXPECT_EQ(findTimingFile(words, song), QString());
    touch("SONGS/song7.LRC");
    EXPECT_EQ(findTimingFile(words, song), root.filePath("SONGS/song7.LRC"));
    EXPECT_EQ(findTimingFile(QString(), song), root.filePath("SONGS/song7.LRC"));
    touch("TEXTS/SONG7.Lrc");
    EXPECT_EQ(findTimingFile(words, song), root.filePath("TEXTS/SONG7.Lrc"));
}

} // namespace
} // namespace sarvel
