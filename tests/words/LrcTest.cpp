#include "Lrc.h"
#include "KarLyrics.h"
#include "RtfReader.h"
#include "RtfTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <string>
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
          {65999, 8},
          {66000, -1}, // the blank timed line: an instrumental break, nothing marked
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

// The demo kit's timed songs: every sung line of the timing finds its line in the words, the first
// on the verse after the title.
TEST(LrcTiming, DemoSongsAreTimedLineForLine) {
    const std::vector<std::pair<const char*, std::optional<Lrc>>> songs = {
        {"Twinkle_Twinkle", readLrcFile(SARVEL_ASSETS "/SONGS/Twinkle_Twinkle.lrc")},
        {"Vo_pole_bereza", readKarFile(SARVEL_ASSETS "/SONGS/Vo_pole_bereza.kar")}};
    for (const auto& [name, lrc] : songs) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(lrc);
        QTextDocument doc;
        RtfReader::readFile(QStringLiteral(SARVEL_ASSETS "/TEXTS/%1.rtf").arg(name), doc);
        const std::vector<WordsLine> lines = wordsLines(doc);
        const std::vector<int> lineFor = matchLines(*lrc, lines);
        int sung = 0;
        for (std::size_t i = 0; i < lineFor.size(); ++i) {
            if (lrc->lines[i].text.isEmpty())
                continue;
            EXPECT_GE(lineFor[i], 3) << lrc->lines[i].text.toStdString();
            EXPECT_FALSE(lrc->lines[i].words.empty());
            ++sung;
        }
        EXPECT_GE(sung, 6);
        EXPECT_EQ(lineFor[0], 3);
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

// A Standard MIDI File written by hand: events are (delta ticks, bytes).
QByteArray vlq(std::uint32_t n) {
    QByteArray out(1, char(n & 0x7F));
    while (n >>= 7)
        out.prepend(char((n & 0x7F) | 0x80));
    return out;
}
QByteArray chunk(const char* id, const QByteArray& body, std::uint32_t length) {
    QByteArray out(id, 4);
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((length >> shift) & 0xFF);
    return out + body;
}
QByteArray chunk(const char* id, const QByteArray& body) {
    return chunk(id, body, std::uint32_t(body.size()));
}
QByteArray meta(std::uint32_t delta, int type, const QByteArray& data) {
    return vlq(delta) + char(0xFF) + char(type) + vlq(std::uint32_t(data.size())) + data;
}
QByteArray midiFile(int format, int division, const std::vector<QByteArray>& tracks) {
    const char header[] = {
        0, char(format), 0, char(tracks.size()), char(division >> 8), char(division & 0xFF)};
    QByteArray out = chunk("MThd", QByteArray(header, 6));
    for (const QByteArray& t : tracks)
        out += chunk("MTrk", t + meta(0, 0x2F, {}));
    return out;
}

struct Syllable {
    std::int64_t time;
    const char* text;
};
void expectLine(const LrcLine& line, const char* text, const std::vector<Syllable>& syllables) {
    SCOPED_TRACE(text);
    EXPECT_EQ(line.text, QString::fromUtf8(text));
    ASSERT_EQ(line.times.size(), 1U);
    ASSERT_EQ(line.words.size(), syllables.size());
    EXPECT_EQ(line.times[0], syllables.front().time);
    for (std::size_t i = 0; i < syllables.size(); ++i) {
        EXPECT_EQ(line.words[i].time, syllables[i].time);
        EXPECT_EQ(line.text.mid(line.words[i].start, line.words[i].length),
                  QString::fromUtf8(syllables[i].text));
    }
}

// A karaoke file: the tempo map in one track (120, then 60 beats a minute from the second beat),
// notes with running status and a system exclusive message in it; the words as text events of the
// "Words" track with @ headers, \ and / breaks.
QByteArray karaokeFile() {
    const QByteArray tempo =
        meta(0, 0x51, QByteArray("\x07\xA1\x20", 3)) + vlq(0) + QByteArray("\xF0\x03\x7E\x7F\xF7", 5) +
        vlq(0) + QByteArray("\x90\x3C\x64", 3) + vlq(240) + QByteArray("\x40\x64", 2) +
        meta(720, 0x51, QByteArray("\x0F\x42\x40", 3)) + vlq(10) + QByteArray("\x80\x3C\x00", 3);
    const QByteArray words = meta(0, 0x03, "Words") + meta(0, 0x01, "@KMIDI KARAOKE FILE") +
                             meta(0, 0x01, "@TTwinkle") + meta(480, 0x01, "\\Twin") + meta(240, 0x01, "kle") +
                             meta(240, 0x01, " star") + meta(480, 0x01, "/How") + meta(480, 0x01, " I") +
                             meta(480, 0x01, "\\Up") + meta(0, 0x01, " a") + meta(0, 0x01, "bove/");
    return midiFile(1, 480, {tempo, words});
}

TEST(KarLyrics, KaraokeTextFollowsTheTempoMap) {
    const Lrc lrc = parseKarLyrics(karaokeFile());
    ASSERT_EQ(lrc.lines.size(), 4U);
    expectLine(lrc.lines[0], "Twinkle star", {{500, "Twin"}, {750, "kle"}, {1000, "star"}});
    expectLine(lrc.lines[1], "How I", {{2000, "How"}, {3000, "I"}}); // a beat is now a second
    EXPECT_EQ(lrc.lines[2].text, QString());                         // between stanzas, never current
    EXPECT_EQ(lrc.lines[2].times, std::vector<std::int64_t>{4000});
    expectLine(lrc.lines[3], "Up above", {{4000, "Up"}, {4000, "a"}, {4000, "bove"}});
}

// Lyric events are taken over text events; line ends; 25 frames of 40 ticks a second; UTF-8.
TEST(KarLyrics, LyricEventsOfAMidiFile) {
    const QByteArray track = meta(0, 0x01, "(c) nobody") + meta(1000, 0x05, "Ой, ") +
                             meta(500, 0x05, "пол\r") + meta(500, 0x05, "ным") + meta(0, 0x01, "@not words");
    const Lrc lrc = parseKarLyrics(midiFile(0, 0xE728, {track}));
    ASSERT_EQ(lrc.lines.size(), 2U);
    expectLine(lrc.lines[0], "Ой, пол", {{1000, "Ой,"}, {1500, "пол"}});
    expectLine(lrc.lines[1], "ным", {{2000, "ным"}});
}

// Damaged files give what comes before the damage, and never read past the bytes or loop forever.
TEST(KarLyrics, DamagedFilesGiveWhatCanBeRead) {
    const QByteArray good = karaokeFile();
    for (qsizetype n = 0; n < good.size(); ++n) {
        const Lrc lrc = parseKarLyrics(good.first(n));
        EXPECT_LE(lrc.lines.size(), 4U);
    }
    const QByteArray lyric = meta(0, 0x05, "la");
    const std::vector<std::pair<const char*, QByteArray>> damaged = {
        {"chunk longer than the file", midiFile(0, 96, {}) + chunk("MTrk", lyric, 0xFFFFFFF0U)},
        {"endless number", midiFile(0, 96, {}) + chunk("MTrk", lyric + QByteArray(64, char(0xFF)))},
        {"data with no status",
         midiFile(0, 96, {}) + chunk("MTrk", lyric + QByteArray("\x00\x40\x40", 3) + meta(0, 0x05, "x"))},
        {"meta longer than the track",
         midiFile(0, 96, {}) + chunk("MTrk", lyric + QByteArray("\x00\xFF\x05\x8F\xFF\xFF\x7F", 7))},
    };
    for (const auto& [name, bytes] : damaged) {
        SCOPED_TRACE(name);
        const Lrc lrc = parseKarLyrics(bytes);
        ASSERT_EQ(lrc.lines.size(), 1U);
        EXPECT_EQ(lrc.lines[0].text, "la");
    }
    EXPECT_TRUE(parseKarLyrics(midiFile(0, 0, {lyric})).lines.empty()) << "no division";
    EXPECT_TRUE(parseKarLyrics("RIFF and more than fourteen bytes").lines.empty());
}

} // namespace
} // namespace sarvel
