#include "IniFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sarvel {
namespace {

using test::dataFile;
using test::readAll;
using test::writeAll;

// Writes past `bytes` fail, even for root; with SIG_DFL the process is killed in the middle of the
// write instead, as by a power loss or kill -9.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes, void (*onExceeded)(int) = SIG_IGN)
        : handler_(std::signal(SIGXFSZ, onExceeded)) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        struct rlimit small = old_;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }

private:
    struct rlimit old_ {};
    void (*handler_)(int);
};

class IniFileTest : public ::testing::Test {
protected:
    QString file(const QString& name = "kit.vkt") const { return dir_.path() + "/" + name; }
    // Writes `bytes` to a fresh file and reads it back as an IniFile.
    IniFile load(const QByteArray& bytes, const QString& name = "kit.vkt") const {
        writeAll(file(name), bytes);
        return IniFile(file(name));
    }
    QStringList entries() const {
        return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    // Runs `action`, which must fail with exactly "Unable to write to <path>".
    template <class F> void expectWriteRefused(const QString& path, F&& action) {
        try {
            action();
            ADD_FAILURE() << "no error for " << path.toStdString();
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), "Unable to write to " + path);
        }
    }

    QTemporaryDir dir_;
};

struct ReadCase {
    const char* what;
    QByteArray file;
    QString section;
    QString key;
    QString expected; // the default passed is always "def"
};

TEST_F(IniFileTest, ReadsWithWindowsProfileRules) {
    const ReadCase cases[] = {
        {"plain entry", "[S]\nk=v\n", "S", "k", "v"},
        {"names ignore ASCII case", "[Section7]\nBUTTON7=v\n", "SECTION7", "button7", "v"},
        {"inner whitespace must match", "[My  Theme]\nk=v\n", "My Theme", "k", "def"},
        {"arguments are trimmed", "[S]\nk=v\n", " S ", "  k ", "v"},
        {"lines before the first header", "k=v\n[S]\n", "S", "k", "def"},
        {"comment is never returned", "[S]\n;k=v\n", "S", ";k", "def"},
        {"indented comment", "[S]\n  ;k=v\n", "S", ";k", "def"},
        {"hash is not a comment", "[S]\n#k=v\n", "S", "#k", "v"},
        {"no inline comments", "[S]\nk=v ; c\n", "S", "k", "v ; c"},
        {"split at the first =", "[S]\na = b = c\n", "S", "a", "b = c"},
        {"spaces, tabs, vertical tabs trimmed", "[S]\n \t k \v=\t v \v \n", "S", "k", "v"},
        {"inner spaces kept", "[S]\nk=a  b\n", "S", "k", "a  b"},
        {"line without = is no key", "[S]\nk\n", "S", "k", "def"},
        {"text after ] loses the key", "[S]k=v\n", "S", "k", "def"},
        {"first ] ends the name", "[a]b]\nk=v\n", "a", "k", "v"},
        {"header without ]", "[Open \nk=v\n", "Open", "k", "v"},
        {"header name trimmed", "  [ \tS  ]  \nk=v\n", "S", "k", "v"},
        {"first duplicate key wins", "[S]\nk=1\nK=2\n", "S", "k", "1"},
        {"second copy of a section is not searched", "[S]\na=1\n[T]\n[s]\nb=2\n", "S", "b", "def"},
        {"first copy wins over second", "[S]\na=1\n[s]\na=2\n", "s", "a", "1"},
        {"empty value is not the default", "[S]\nk=\n", "S", "k", ""},
        {"blank value is not the default", "[S]\nk=  \t\n", "S", "k", ""},
        {"double quotes removed", "[S]\nk=\"x y\"\n", "S", "k", "x y"},
        {"single quotes removed", "[S]\nk=' x '\n", "S", "k", " x "},
        {"quotes after trimming", "[S]\nk= \"x\" \n", "S", "k", "x"},
        {"mismatched quotes stay", "[S]\nk=\"x'\n", "S", "k", "\"x'"},
        {"only one pair removed", "[S]\nk=\"\"x\"\"\n", "S", "k", "\"x\""},
        {"lone quote stays", "[S]\nk=\"\n", "S", "k", "\""},
        {"empty quotes", "[S]\nk=\"\"\n", "S", "k", ""},
        {"CRLF", "[S]\r\nk=v\r\nj=w\r\n", "S", "j", "w"},
        {"lone CR", "[S]\rk=v\rj=w\r", "S", "j", "w"},
        {"mixed endings", "[A]\r\n[S]\rk=v\nj=w", "S", "j", "w"},
        {"missing section", "[S]\nk=v\n", "T", "k", "def"},
        {"missing key", "[S]\nk=v\n", "S", "j", "def"},
        {"zero-padded key is another key", "[Section1]\nButton07=x\n", "Section1", "Button7", "def"},
        {"zero-padded section is another section", "[Section07]\nButton7=x\n", "Section7", "Button7", "def"},
        {"Cyrillic names match byte for byte", "[Тема]\nk=v\n", "Тема", "k", "v"},
        {"Cyrillic letter case is not folded", "[Тема]\nk=v\n", "ТЕМА", "k", "def"},
        {"value ends at a NUL", QByteArrayLiteral("[S]\nSong1=D:\\a.mp3\0junk\n"), "S", "Song1", "D:\\a.mp3"},
        {"quotes inside a NUL-cut value", QByteArrayLiteral("[S]\nk=\"x\"\0y\"\n"), "S", "k", "x"},
    };
    for (const ReadCase& c : cases) {
        const IniFile ini = load(c.file);
        EXPECT_EQ(ini.readString(c.section, c.key, "def"), c.expected) << c.what;
    }
}

TEST_F(IniFileTest, DefaultLosesOnlyTrailingSpaces) {
    const IniFile ini(file("missing.vkt"));
    EXPECT_FALSE(ini.exists());
    EXPECT_EQ(ini.readString("S", "k", "  d \t  "), "  d \t");
    EXPECT_EQ(ini.readString("S", "k", ""), "");
    EXPECT_EQ(ini.readInt("S", "k", 50), 50);
}

TEST_F(IniFileTest, ReadsIntegersAsWholeText) {
    const std::pair<const char*, int> cases[] = {
        {"0x32", 50},
        {"0X1f", 31},
        {"0x7FFFFFFF", 2147483647},
        {"0x80000000", -1},
        {"-5", -5},
        {"+7", 7},
        {"100", 100},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", -1},
        {"-2147483649", -1},
        {"99999999999999999999999", -1},
        {"abc", -1},
        {"12abc", -1},
        {"0x", -1},
        {"0xg", -1},
        {"-0x10", -1},
        {"", -1},
        {"-", -1},
        {"1e3", -1},
        {"- 5", -1},
        {" 7 ", 7},
        {"\" 7 \"", -1},
        {"'12'", 12},
        {"1 2", -1},
    };
    for (const auto& [value, expected] : cases) {
        const IniFile ini = load(QByteArray("[S]\nVol7=") + value + "\n");
        EXPECT_EQ(ini.readInt("S", "Vol7", -1), expected) << "value [" << value << "]";
    }
    EXPECT_EQ(load("[S]\n").readInt("S", "Vol7", 50), 50);
}

TEST_F(IniFileTest, CutsValuesAt2047Characters) {
    const QString cyrillic(3000, QChar(u'Ж'));
    // One byte per character in Windows-1251, two in UTF-8: the limit counts characters in both.
    EXPECT_EQ(load("[S]\nk=" + QByteArray(3000, '\xC6') + "\n").readString("S", "k", ""),
              cyrillic.left(2047));
    EXPECT_EQ(load("[S]\nk=" + cyrillic.toUtf8() + "\n").readString("S", "k", ""), cyrillic.left(2047));
    const QString exact(2047, QChar(u'x'));
    EXPECT_EQ(load("[S]\nk=\"" + exact.toUtf8() + "\"\n").readString("S", "k", ""), exact);

    // A character outside the BMP is one character and is never split.
    QString notes;
    for (int i = 0; i < 2100; ++i)
        notes += QString::fromUcs4(U"\U0001D11E");
    const QString read = load("[S]\nk=" + notes.toUtf8() + "\n").readString("S", "k", "");
    EXPECT_EQ(read.size(), 2 * 2047);
    EXPECT_TRUE(read.back().isLowSurrogate());
}

TEST_F(IniFileTest, ReadsWindows1251Kit) {
    const IniFile ini(dataFile("kit/windows-1251.vkt"));
    ASSERT_TRUE(ini.exists());
    EXPECT_EQ(ini.readString("Section1", "Button1", "Song-1"), "Осенний вальс");
    EXPECT_EQ(ini.readString("TemaArtist", "Button1", "Artist-1"), "Баллады");
    EXPECT_EQ(ini.readString("section1", "song2", ""), "D:\\Music\\intro.wav");
    EXPECT_EQ(ini.readInt("Section1", "Vol1", 50), 70);
    EXPECT_EQ(ini.readString("Section2", "Button1", "Song-1"), "Song-1");
}

TEST_F(IniFileTest, WritesWindows1251KitInItsOwnEncoding) {
    const QByteArray original = readAll(dataFile("kit/windows-1251.vkt"));
    writeAll(file(), original);
    IniFile ini(file());
    ini.writeString("Section1", "Button2", "Вступление №1");
    ini.writeString("Section3", "Button1", "Ёлка");
    ini.save();

    QByteArray expected = original;
    expected.replace("Button2=Intro\r\n", "Button2=\xC2\xF1\xF2\xF3\xEF\xEB\xE5\xED\xE8\xE5 \xB9\x31\r\n");
    expected += "[Section3]\r\nButton1=\xA8\xEB\xEA\xE0\r\n";
    EXPECT_EQ(readAll(file()), expected);
    EXPECT_EQ(IniFile(file()).readString("Section1", "Button2", ""), "Вступление №1");
}

TEST_F(IniFileTest, RefusesTextWindows1251CannotHold) {
    const QByteArray original = readAll(dataFile("kit/windows-1251.vkt"));
    writeAll(file(), original);
    IniFile ini(file());
    expectWriteRefused(file(), [&] { ini.writeString("Section1", "Button1", "歌"); });
    expectWriteRefused(file(), [&] { ini.writeString("歌", "Button1", "x"); });
    EXPECT_EQ(ini.readString("Section1", "Button1", ""), "Осенний вальс");
    EXPECT_EQ(ini.readString("歌", "Button1", "none"), "none");
    ini.save();
    EXPECT_EQ(readAll(file()), original);
}

TEST_F(IniFileTest, Utf8FilesStayUtf8) {
    IniFile ascii = load("[S]\nk=v\n");
    ascii.writeString("S", "j", "Песня");
    ascii.save();
    EXPECT_EQ(readAll(file()), "[S]\nk=v\nj=Песня\n");

    // A byte-order mark marks UTF-8 and is kept.
    IniFile marked = load("\xEF\xBB\xBF[S]\r\nk=Вальс\r\n", "bom.vkt");
    EXPECT_EQ(marked.readString("S", "k", ""), "Вальс");
    marked.writeString("S", "k", "Танго");
    marked.save();
    EXPECT_EQ(readAll(file("bom.vkt")), "\xEF\xBB\xBF[S]\r\nk=Танго\r\n");
    // The mark wins over a stray byte that is not UTF-8.
    EXPECT_EQ(load("\xEF\xBB\xBF[S]\nk=Вальс\nj=\xFF\n").readString("S", "k", ""), "Вальс");
}

// Every word of two Windows-1251 Cyrillic letters whose two bytes are also valid UTF-8 ("ДЁ" is
// C4 A8, UTF-8 for "Ĩ").
QStringList cyrillicPairsValidAsUtf8() {
    QStringDecoder cp1251("windows-1251");
    QStringList words;
    for (int first = 0xC0; first <= 0xFF; ++first) {
        for (int second = 0x80; second <= 0xFF; ++second) {
            const QByteArray pair = QByteArray(1, char(first)) + char(second);
            const QString word = cp1251.decode(pair);
            const bool cyrillic = word.size() == 2 && word[1] >= u'\u0400' && word[1] <= u'\u04FF';
            QStringDecoder utf8(QStringConverter::Utf8);
            const QString decoded = utf8.decode(pair);
            if (cyrillic && !utf8.hasError())
                words.append(word);
        }
    }
    return words;
}

TEST_F(IniFileTest, KitsKeepTheirEncodingThroughEveryEdit) {
    // A Windows-1251 kit whose only Cyrillic caption is renamed "ДЁ" (C4 A8, UTF-8 for "Ĩ").
    IniFile windows = load("[Section1]\r\nButton1=\xC2\xE0\xEB\xFC\xF1\r\nSong1=D:\\a.mp3\r\n");
    windows.writeString("Section1", "Button1", "ДЁ");
    windows.save();
    EXPECT_EQ(readAll(file()), "[Section1]\r\nButton1=\xC4\xA8\r\nSong1=D:\\a.mp3\r\n");

    // Every such word: a kit whose only Cyrillic they are (one kit per first letter) reads as
    // Windows-1251; in a UTF-8 kit they are written as UTF-8 and read back as well.
    QStringEncoder encoder("windows-1251");
    QMap<QChar, QStringList> byFirstLetter;
    for (const QString& word : cyrillicPairsValidAsUtf8())
        byFirstLetter[word[0]].append(word);
    ASSERT_TRUE(byFirstLetter[u'Д'].contains("ДЁ"));
    IniFile utf8 = load("[Section1]\nButton1=Вальс\n", "utf8.vkt");
    QByteArray utf8Expected = "[Section1]\nButton1=Вальс\n";
    for (const QStringList& words : byFirstLetter) {
        QByteArray kit = "[Section1]\r\n";
        for (int n = 0; n < words.size(); ++n)
            kit += "Button" + QByteArray::number(n) + '=' + QByteArray(encoder.encode(words[n])) + "\r\n";
        const IniFile windows = load(kit, "windows.vkt");
        for (int n = 0; n < words.size(); ++n)
            EXPECT_EQ(windows.readString("Section1", "Button" + QString::number(n), ""), words[n]);
        utf8.writeString("Section1", words[0], words.join(' '));
        utf8Expected += (words[0] + '=' + words.join(' ')).toUtf8() + '\n';
    }
    utf8.save();
    EXPECT_EQ(readAll(file("utf8.vkt")), utf8Expected);
    const IniFile utf8Again(file("utf8.vkt"));
    for (const QStringList& words : byFirstLetter)
        EXPECT_EQ(utf8Again.readString("Section1", words[0], ""), words.join(' '));

    // A value beginning with U+FEFF is no byte-order mark.
    IniFile::writeProfileString(file("mark.vkt"), "S", "k", QString(QChar(0xFEFF)) + "x");
    EXPECT_EQ(IniFile(file("mark.vkt")).readString("S", "k", ""), QString(QChar(0xFEFF)) + "x");
}

TEST_F(IniFileTest, AmbiguousTextGoesWhereItReadsBack) {
    // "Сон" in UTF-8 is D0 A1 D0 BE D0 BD, Windows-1251 letters only ("РЎРѕРЅ"): an ASCII kit
    // takes it in Windows-1251, which reads back.
    IniFile ascii = load("[S]\nk=v\n");
    ascii.writeString("S", "j", "Сон");
    ascii.save();
    EXPECT_EQ(readAll(file()), "[S]\nk=v\nj=\xD1\xEE\xED\n");
    EXPECT_EQ(IniFile(file()).readString("S", "j", ""), "Сон");

    // "ü" (C3 BC) and "Ü" (C3 9C) read in Windows-1251 as letters, "Гј" and "Гњ", and it cannot
    // hold them. Inside a Latin word they are UTF-8...
    IniFile latin = load("[S]\nk=v\n", "latin.vkt");
    latin.writeString("S", "k", "Müller");
    latin.save();
    EXPECT_EQ(readAll(file("latin.vkt")), "[S]\nk=M\xC3\xBCller\n");
    EXPECT_EQ(IniFile(file("latin.vkt")).readString("S", "k", ""), "Müller");
    // ...alone it is refused by an existing kit...
    IniFile existing = load("[S]\nk=v\n", "alone.vkt");
    expectWriteRefused(file("alone.vkt"), [&] { existing.writeString("S", "k", "/Ü/a.mp3"); });
    EXPECT_EQ(existing.readString("S", "k", ""), "v");
    // ...while a new file takes the UTF-8 mark.
    IniFile::writeProfileString(file("new.vkt"), "S", "k", "/Ü/a.mp3");
    EXPECT_EQ(readAll(file("new.vkt")), "\xEF\xBB\xBF[S]\nk=/\xC3\x9C/a.mp3\n");
    EXPECT_EQ(IniFile(file("new.vkt")).readString("S", "k", ""), "/Ü/a.mp3");
}

QByteArray utf16(const QString& text) {
    return "\xFF\xFE" + QStringEncoder(QStringConverter::Utf16LE).encode(text);
}

TEST_F(IniFileTest, ReadsAndWritesUnicodeKits) {
    const QString before =
        "[Section1]\r\nButton1=Осенний вальс\r\nVol1=0x32\r\n; заметка\r\n\r\n[TemaArtist]\r\n";
    IniFile ini = load(utf16(before));
    EXPECT_EQ(ini.readString("section1", "button1", ""), "Осенний вальс");
    EXPECT_EQ(ini.readInt("Section1", "Vol1", 0), 50);
    ini.writeString("Section1", "Button1", "Вальс 歌");
    ini.writeString("Section1", "Text1", QString(QChar(0xFEFF)) + "D:\\w.rtf");
    ini.writeString("Section2", "Button1", "Ёлка");
    ini.save();
    EXPECT_EQ(readAll(file()),
              utf16("[Section1]\r\nButton1=Вальс 歌\r\nVol1=0x32\r\nText1=\uFEFFD:\\w.rtf\r\n"
                    "; заметка\r\n\r\n[TemaArtist]\r\n[Section2]\r\nButton1=Ёлка\r\n"));
    EXPECT_EQ(IniFile(file()).readString("Section1", "Text1", ""), QString(QChar(0xFEFF)) + "D:\\w.rtf");

    // A lone surrogate or a stray last byte: read as far as it goes, never written.
    const QByteArray damaged[] = {utf16("[S]\r\nk=v\r\nj=") + QByteArray("\x00\xD8", 2),
                                  utf16("[S]\r\nk=v\r\n") + "x"};
    for (const QByteArray& bytes : damaged) {
        IniFile broken = load(bytes);
        EXPECT_EQ(broken.readString("S", "k", ""), "v");
        try {
            broken.writeString("S", "k", "w");
            broken.save();
            ADD_FAILURE() << "damaged Unicode file written";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()),
                      "Unable to write to " + file() + ": the file is Unicode (UTF-16) text that is damaged");
        }
        EXPECT_THROW(broken.save(), std::runtime_error);
        EXPECT_EQ(readAll(file()), bytes);
    }
}

TEST_F(IniFileTest, RefusesLineBreaksInWrites) {
    IniFile ini = load("[S]\nk=v\n");
    expectWriteRefused(file(), [&] { ini.writeString("S", "k", "a\nb"); });
    expectWriteRefused(file(), [&] { ini.writeString("S", "k\r", "a"); });
    EXPECT_EQ(ini.readString("S", "k", ""), "v");
}

TEST_F(IniFileTest, WritesChangeOnlyWhatTheyName) {
    writeAll(file(), readAll(dataFile("kit/messy.ini")));
    IniFile ini(file());
    EXPECT_EQ(ini.readString("Section1", "Button1", ""), "Осенний вальс");
    EXPECT_EQ(ini.readString("Section1", "Button2", "Song-2"), "Song-2");
    EXPECT_EQ(ini.readString("Extra", "key only", ""), "in extra");

    ini.writeString("option", "file", "D:\\Kits\\Second.vkt");
    ini.writeString("Section1", "Button1", "Вальс");
    ini.writeString("section1", "Button2", "Intro"); // after the last key line, not after the comment
    ini.writeInt("SECTION1", "Vol2", 50);            // and the next one below it
    ini.writeString(" TemaArtist ", " Button1 ", "Ballads");
    ini.writeString("Section2", "Button1", "New"); // the file has no final line break
    EXPECT_EQ(ini.readString("Section1", "Button2", ""), "Intro");
    ini.save();
    EXPECT_EQ(readAll(file()), readAll(dataFile("kit/messy-written.ini")));

    const IniFile again(file());
    EXPECT_EQ(again.readInt("Section1", "Vol2", 0), 50);
    EXPECT_EQ(again.readString("Section1", "Button07", ""), "padded");
    EXPECT_EQ(again.readString("Section1", "Button51", ""), "beyond the grid");
}

struct WriteCase {
    const char* what;
    QByteArray before;
    QString section;
    QString key;
    QString value;
    QByteArray after;
};

TEST_F(IniFileTest, PlacesWritesAsWindowsDoes) {
    const WriteCase cases[] = {
        {"replace keeps key spelling", "[s]\n  KEY = old  \nx=1\n", "S", "key", "new",
         "[s]\n  KEY =new\nx=1\n"},
        {"value verbatim", "[S]\n", "S", "k", " \"q\" ; c ", "[S]\nk= \"q\" ; c \n"},
        {"empty section gets key after header", "[S]\n; note\n\n[T]\n", "S", "k", "v",
         "[S]\nk=v\n; note\n\n[T]\n"},
        {"new key after last key line", "[S]\na=1\njunk\n\n; c\n[T]\n", "S", "b", "2",
         "[S]\na=1\nb=2\njunk\n\n; c\n[T]\n"},
        {"new key into first copy", "[S]\na=1\n[s]\nb=2\n", "S", "b", "3", "[S]\na=1\nb=3\n[s]\nb=2\n"},
        {"new key at end without final break", "[S]\r\na=1", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n"},
        {"new section after final break", "[S]\r\na=1\r\n", "T", "b", "2", "[S]\r\na=1\r\n[T]\r\nb=2\r\n"},
        {"new section, no final break", "[S]\na=1", "T", "b", "2", "[S]\na=1\n[T]\nb=2\n"},
        {"lone CR file", "[S]\ra=1\r", "S", "b", "2", "[S]\ra=1\rb=2\r"},
        {"ending of the first line wins", "[S]\r\na=1\nc=3\n", "S", "b", "2", "[S]\r\na=1\nc=3\nb=2\r\n"},
        {"empty file", "", "S", "k", "v", "[S]\nk=v\n"},
        {"lines before header stay", "k=v\n", "S", "k", "w", "k=v\n[S]\nk=w\n"},
    };
    for (const WriteCase& c : cases) {
        IniFile ini = load(c.before);
        ini.writeString(c.section, c.key, c.value);
        ini.save();
        EXPECT_EQ(readAll(file()), c.after) << c.what;
    }
}

TEST_F(IniFileTest, SeveralNewKeysKeepTheirOrder) {
    IniFile ini = load("[Section1]\nButton1=a\n; end\n");
    for (int n = 2; n <= 4; ++n)
        ini.writeString("Section1", "Button" + QString::number(n), "b");
    ini.save();
    EXPECT_EQ(readAll(file()), "[Section1]\nButton1=a\nButton2=b\nButton3=b\nButton4=b\n; end\n");
}

TEST_F(IniFileTest, ReadsSeeEarlierWrites) {
    IniFile ini = load("[A]\na=1\n[B]\nb=2\n");
    EXPECT_EQ(ini.readString("B", "b", ""), "2");
    ini.writeString("A", "x", "new"); // moves every later line down
    EXPECT_EQ(ini.readString("B", "b", ""), "2");
    EXPECT_EQ(ini.readString("A", "x", ""), "new");
    ini.writeInt("b", "B", 3);
    ini.writeString("C", "c", "4");
    EXPECT_EQ(ini.readInt("B", "b", 0), 3);
    EXPECT_EQ(ini.readInt("c", "C", 0), 4);
    ini.save();
    EXPECT_EQ(readAll(file()), "[A]\na=1\nx=new\n[B]\nb=3\n[C]\nc=4\n");
}

TEST_F(IniFileTest, KeysBeyondTheGridSurviveAFullSave) {
    const QByteArray tail = "Button07=padded\nButton51=far\nVol51=0x10\n";
    IniFile ini = load("[Section1]\n" + tail);
    for (int n = 1; n <= 50; ++n)
        ini.writeString("Section1", "Button" + QString::number(n), "x");
    ini.save();
    const QByteArray bytes = readAll(file());
    EXPECT_TRUE(bytes.startsWith("[Section1]\n" + tail + "Button1=x\n")) << bytes.constData();
    EXPECT_TRUE(bytes.endsWith("Button50=x\n"));
}

TEST_F(IniFileTest, CreatesMissingFile) {
    const QString path = file("new.vkt");
    IniFile ini(path);
    EXPECT_FALSE(ini.exists());
    ini.writeInt("Option", "Size", 3);
    EXPECT_FALSE(QFile::exists(path)); // nothing reaches the disk before save()
    ini.save();
    EXPECT_TRUE(ini.exists());
    EXPECT_EQ(readAll(path), "[Option]\nSize=3\n");

    IniFile::writeProfileString(file("tirsen.ini"), "OptionS", "CheckBoxNoTxt", "OFF");
    EXPECT_EQ(readAll(file("tirsen.ini")), "[OptionS]\nCheckBoxNoTxt=OFF\n");
}

TEST_F(IniFileTest, AFolderReadsAsNoFileAndRefusesWrites) {
    QDir(dir_.path()).mkdir("folder.vkt");
    IniFile ini(file("folder.vkt"));
    EXPECT_FALSE(ini.exists());
    EXPECT_EQ(ini.readString("Section1", "Button1", "Song-1"), "Song-1");
    ini.writeString("Section1", "Button1", "Intro");
    expectWriteRefused(file("folder.vkt"), [&] { ini.save(); });
    EXPECT_TRUE(QFileInfo(file("folder.vkt")).isDir());
    EXPECT_EQ(entries(), QStringList{"folder.vkt"});
}

TEST_F(IniFileTest, RefusedSavesLeaveEverythingAsItWas) {
    // Missing folder: nothing is created.
    const QString lost = file("no such folder/kit.vkt");
    expectWriteRefused(lost, [&] { IniFile::writeProfileString(lost, "S", "k", "v"); });
    EXPECT_FALSE(QFileInfo::exists(file("no such folder")));

    // Read-only file: refused even for root, as Windows refuses its administrators.
    writeAll(file(), "[S]\nk=v\n");
    ASSERT_EQ(::chmod(QFile::encodeName(file()).constData(), 0444), 0);
    expectWriteRefused(file(), [&] { IniFile::writeProfileString(file(), "S", "k", "w"); });
    EXPECT_EQ(readAll(file()), "[S]\nk=v\n");
    EXPECT_EQ(entries(), QStringList{"kit.vkt"});
    ::chmod(QFile::encodeName(file()).constData(), 0644);
}

TEST_F(IniFileTest, FolderWithoutWriteBitsGetsTheKitRewrittenInPlace) {
    writeAll(file(), "[S]\nk=v\n");
    const QByteArray native = QFile::encodeName(file());
    struct stat before {};
    ASSERT_EQ(::stat(native.constData(), &before), 0);
    // Refused even for root, so this folder takes no temporary file.
    const QByteArray folder = QFile::encodeName(dir_.path());
    ASSERT_EQ(::chmod(folder.constData(), 0555), 0);

    IniFile::writeProfileString(file(), "S", "k", "w");
    const QString added = file("new.vkt"); // a new file needs the folder
    expectWriteRefused(added, [&] { IniFile::writeProfileString(added, "S", "k", "v"); });
    IniFile failing(file());
    failing.writeString("S", "k", QString(8192, QChar(u'x')));
    {
        const FileSizeLimit limit(4096); // the rewrite fails half way through
        expectWriteRefused(file(), [&] { failing.save(); });
    }
    ::chmod(folder.constData(), 0700);
    EXPECT_EQ(readAll(file()), "[S]\nk=w\n");
    struct stat after {};
    ASSERT_EQ(::stat(native.constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(entries(), QStringList{"kit.vkt"});
}

TEST_F(IniFileTest, FailedWriteRemovesItsTemporaryFile) {
    writeAll(file(), "[S]\nk=v\n");
    IniFile ini(file());
    ini.writeString("S", "k", QString(8192, QChar(u'x')));
    {
        // The write itself fails after the temporary file exists, even as root.
        const FileSizeLimit limit(4096);
        expectWriteRefused(file(), [&] { ini.save(); });
    }
    EXPECT_EQ(readAll(file()), "[S]\nk=v\n");
    EXPECT_EQ(entries(), QStringList{"kit.vkt"});
}

TEST_F(IniFileTest, NextSaveRemovesWhatAKilledSaveLeftBehind) {
    writeAll(file(), "[S]\nk=v\n");
    IniFile ini(file());
    ini.writeString("S", "k", QString(8192, QChar(u'x')));
    EXPECT_EXIT(
        {
            const struct rlimit noCore {};
            ::setrlimit(RLIMIT_CORE, &noCore);
            const FileSizeLimit limit(4096, SIG_DFL);
            ini.save();
        },
        ::testing::KilledBySignal(SIGXFSZ), "");
    QStringList left = entries();
    ASSERT_TRUE(left.removeOne("kit.vkt"));
    ASSERT_EQ(left.size(), 1) << "the killed save leaves its temporary file";
    const QString leftover = left[0];
    EXPECT_EQ(readAll(file()), "[S]\nk=v\n");

    // Names that only look alike stay: another kit's temporary file and other hidden files.
    const QStringList alike{".other.vkt" + leftover.mid(QStringLiteral(".kit.vkt").size()), ".kit.vkt.bak",
                            leftover + "~", ".kit.vkt"};
    for (const QString& name : alike)
        writeAll(file(name), "keep");

    // A save running in another process holds its temporary file locked: it is left alone.
    const int fd = ::open(QFile::encodeName(file(leftover)).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    IniFile::writeProfileString(file(), "S", "k", "w");
    ::close(fd);
    EXPECT_TRUE(QFileInfo::exists(file(leftover)));

    IniFile::writeProfileString(file(), "S", "k", "z");
    EXPECT_EQ(readAll(file()), "[S]\nk=z\n");
    QStringList kept = alike + QStringList{"kit.vkt"};
    kept.sort();
    EXPECT_EQ(entries(), kept);
    for (const QString& name : alike)
        EXPECT_EQ(readAll(file(name)), "keep") << name.toStdString();
}

TEST_F(IniFileTest, SaveKeepsPermissionsAndLeavesNoTemporaryFile) {
    writeAll(file(), "[S]\nk=v\n");
    const QByteArray native = QFile::encodeName(file());
    ASSERT_EQ(::chmod(native.constData(), 0640), 0);
    struct stat before {};
    ASSERT_EQ(::stat(native.constData(), &before), 0);

    IniFile::writeProfileString(file(), "S", "k", "w");
    struct stat after {};
    ASSERT_EQ(::stat(native.constData(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_NE(after.st_ino, before.st_ino); // replaced by rename, not rewritten in place
    EXPECT_EQ(readAll(file()), "[S]\nk=w\n");
    EXPECT_EQ(entries(), QStringList{"kit.vkt"});
}

TEST_F(IniFileTest, SaveWritesThroughSymbolicLinks) {
    QDir(dir_.path()).mkdir("real");
    writeAll(file("real/kit.vkt"), "[S]\nk=v\n");
    ASSERT_TRUE(QFile::link("real/kit.vkt", file("relative.vkt")));
    ASSERT_TRUE(QFile::link(file("relative.vkt"), file("chain.vkt")));

    IniFile::writeProfileString(file("chain.vkt"), "S", "k", "w");
    EXPECT_TRUE(QFileInfo(file("chain.vkt")).isSymLink());
    EXPECT_TRUE(QFileInfo(file("relative.vkt")).isSymLink());
    EXPECT_EQ(readAll(file("real/kit.vkt")), "[S]\nk=w\n");
    EXPECT_EQ(QDir(file("real")).entryList(QDir::Files | QDir::Hidden), QStringList{"kit.vkt"});

    // A link to a file not made yet creates that file.
    ASSERT_TRUE(QFile::link("real/later.vkt", file("dangling.vkt")));
    IniFile::writeProfileString(file("dangling.vkt"), "S", "k", "v");
    EXPECT_TRUE(QFileInfo(file("dangling.vkt")).isSymLink());
    EXPECT_EQ(readAll(file("real/later.vkt")), "[S]\nk=v\n");
}

} // namespace
} // namespace sarvel
