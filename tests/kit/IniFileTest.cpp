#include "IniFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>

namespace sarvel {
namespace {

using test::dataFile;
using test::readAll;
using test::writeAll;

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
    const QString cyrillic(3000, QChar(u'Я'));
    // One byte per character in Windows-1251, two in UTF-8: the limit counts characters in both.
    EXPECT_EQ(load("[S]\nk=" + QByteArray(3000, '\xDF') + "\n").readString("S", "k", ""),
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

    // Read-only folder.
    const QByteArray folder = QFile::encodeName(dir_.path());
    ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
    expectWriteRefused(file(), [&] { IniFile::writeProfileString(file(), "S", "k", "w"); });
    ::chmod(folder.constData(), 0700);
    EXPECT_EQ(readAll(file()), "[S]\nk=v\n");
    EXPECT_EQ(entries(), QStringList{"kit.vkt"});
}

TEST_F(IniFileTest, FailedWriteRemovesItsTemporaryFile) {
    writeAll(file(), "[S]\nk=v\n");
    IniFile ini(file());
    ini.writeString("S", "k", QString(8192, QChar(u'x')));
    // A file size limit makes the write itself fail after the temporary file exists, even as root.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool refused = false;
    try {
        ini.save();
    } catch (const std::runtime_error&) {
        refused = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(refused);
    EXPECT_EQ(readAll(file()), "[S]\nk=v\n");
    EXPECT_EQ(entries(), QStringList{"kit.vkt"});
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
