#include "FirstRun.h"
#include "DataFolder.h"
#include "IniFile.h"
#include "RtfReader.h"
#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QSet>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace sarvel;
using sarvel::test::readAll;
using sarvel::test::TempHome;
using sarvel::test::writeAll;

namespace {

const QStringList placeholders{"NoIcoS.bmp", "NoIcoT.bmp", "NoRtf.rtf", "Zastavka.jpg"};

QByteArray builtIn(const QString& name) {
    registerAssets();
    return readAll(":/data/" + name);
}

// Every file under the data folder with its content, by path relative to it.
QMap<QString, QByteArray> snapshot() {
    QMap<QString, QByteArray> files;
    QDirIterator it(dataDir(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(dataDir()).relativeFilePath(path), readAll(path));
    }
    return files;
}

std::string installError() {
    try {
        installDataFolder();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

struct DemoSong {
    QString caption, text, song, icon;
    int volume;
};

// The song buttons the demo kit defines, read back through the kit layer.
QList<DemoSong> demoSongs(const IniFile& kit) {
    QList<DemoSong> songs;
    for (int t = 1; t <= 20; ++t) {
        const QString section = "Section" + QString::number(t);
        for (int n = 1; n <= 50; ++n) {
            const QString number = QString::number(n);
            const QString song = kit.readString(section, "Song" + number, "-");
            if (song == "-")
                continue;
            songs.append({kit.readString(section, "Button" + number, ""),
                          kit.readString(section, "Text" + number, "-"), song,
                          kit.readString(section, "Icon" + number, "-"),
                          kit.readInt(section, "Vol" + number, -1)});
        }
    }
    return songs;
}

} // namespace

TEST(FirstRun, FreshHomeGetsFoldersPlaceholdersAndDemoKit) {
    TempHome home;
    installDataFolder();
    for (const QString folder : {"TEMES", "TEXTS", "SONGS", "ICONS"})
        EXPECT_TRUE(QFileInfo(dataPath(folder)).isDir()) << folder.toStdString();
    for (const QString& name : placeholders)
        EXPECT_EQ(readAll(dataPath(name)), builtIn(name)) << name.toStdString();
    EXPECT_TRUE(QFileInfo(defaultKitPath()).isFile());
    for (const QString& path : snapshot().keys())
        EXPECT_FALSE(path.contains(".sarvel-")) << "temporary file left: " << path.toStdString();
}

TEST(FirstRun, DemoKitNamesInstalledFilesOfEveryKind) {
    TempHome home;
    installDataFolder();
    const QByteArray bytes = readAll(defaultKitPath());
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)QString(utf8(bytes));
    EXPECT_FALSE(utf8.hasError()) << "First.vkt is UTF-8";

    const IniFile kit(defaultKitPath());
    EXPECT_EQ(kit.readString("Option", "File", ""), QDir::toNativeSeparators(defaultKitPath()));
    EXPECT_EQ(kit.readString("TemaArtist", "Button1", ""), "Русские песни");
    EXPECT_EQ(kit.readString("TemaArtist", "Button2", ""), "English songs");
    for (const QString theme : {"1", "2"}) {
        const QString icon = kit.readString("TemaArtist", "Icon" + theme, "-");
        EXPECT_TRUE(icon.startsWith(dataPath("ICONS/"))) << icon.toStdString();
        const QImage glyph(icon, "BMP");
        EXPECT_FALSE(glyph.isNull()) << icon.toStdString();
        EXPECT_LE(glyph.height(), 20); // theme buttons are 22 px high
    }

    const QList<DemoSong> songs = demoSongs(kit);
    ASSERT_GE(songs.size(), 6);
    QSet<QString> formats;
    bool russianWords = false;
    for (const DemoSong& s : songs) {
        SCOPED_TRACE(s.song.toStdString());
        EXPECT_FALSE(s.caption.isEmpty());
        EXPECT_TRUE(s.song.startsWith(dataPath("SONGS/")));
        EXPECT_TRUE(s.text.startsWith(dataPath("TEXTS/")));
        EXPECT_TRUE(s.icon.startsWith(dataPath("ICONS/")));
        for (const QString& path : {s.song, s.text, s.icon})
            EXPECT_TRUE(namesExistingFile(path)) << path.toStdString();
        EXPECT_GE(s.volume, 0);
        EXPECT_LE(s.volume, 100);
        EXPECT_TRUE(readAll(s.text).startsWith("{\\rtf"));
        russianWords = russianWords || readAll(s.text).contains("\\ansicpg1251");
        const QImage glyph(s.icon, "BMP");
        EXPECT_FALSE(glyph.isNull());
        EXPECT_LE(glyph.height(), 32); // song buttons are 34 px high
        formats.insert(QFileInfo(s.song).suffix().toLower());
    }
    EXPECT_EQ(formats, (QSet<QString>{"mp3", "wav", "mid", "kar"}));
    EXPECT_TRUE(russianWords);
    EXPECT_TRUE(kit.readString("Section1", "Button2", "").contains("берёза"));
}

TEST(FirstRun, BundledFilesAreWhatTheirNamesSay) {
    registerAssets();
    int bitmaps = 0, texts = 0, songs = 0;
    QDirIterator it(":/data", QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        SCOPED_TRACE(path.toStdString());
        const QByteArray bytes = readAll(path);
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix == "bmp") {
            ++bitmaps;
            const QImage image(path, "BMP");
            ASSERT_FALSE(image.isNull());
            EXPECT_TRUE(image.size() == QSize(32, 32) || image.size() == QSize(16, 16));
        } else if (suffix == "rtf") {
            ++texts;
            EXPECT_TRUE(bytes.startsWith("{\\rtf1"));
            EXPECT_TRUE(bytes.trimmed().endsWith('}'));
        } else if (suffix == "wav") {
            ++songs;
            EXPECT_TRUE(bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WAVE");
        } else if (suffix == "mid" || suffix == "kar") {
            ++songs;
            EXPECT_TRUE(bytes.startsWith("MThd"));
        } else if (suffix == "mp3") {
            ++songs;
            ASSERT_GE(bytes.size(), 2);
            EXPECT_EQ(quint8(bytes[0]), 0xFF); // frame sync
            EXPECT_EQ(quint8(bytes[1]) & 0xE0, 0xE0);
        }
    }
    EXPECT_EQ(bitmaps, 2 + 8);
    EXPECT_EQ(texts, 1 + 6);
    EXPECT_EQ(songs, 6);
    EXPECT_EQ(QImage(":/ui/image-icon.png").size(), QSize(57, 57));
    EXPECT_EQ(QImage(":/ui/splash.png").size(), QSize(284, 357));
    for (const QString name :
         {"open-text", "open-song", "about", "new-file", "begin", "play", "stop", "option", "sarvel"})
        EXPECT_FALSE(QImage(":/ui/" + name + ".png").isNull()) << name.toStdString();
}

TEST(FirstRun, BundledWordsReadAsFormattedText) {
    registerAssets();
    QTextDocument doc;
    RtfReader::read(builtIn("TEXTS/Korobeiniki.rtf"), doc);
    EXPECT_TRUE(doc.toPlainText().startsWith("Коробейники\n")) << doc.toPlainText().toStdString();
    EXPECT_TRUE(doc.toPlainText().contains("Ой, полным-полна коробушка,"));
    const QTextBlock title = doc.firstBlock();
    EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QTextCursor inTitle(title);
    inTitle.movePosition(QTextCursor::NextCharacter);
    EXPECT_TRUE(inTitle.charFormat().font().bold());

    RtfReader::read(builtIn("TEXTS/Drunken_Sailor.rtf"), doc);
    EXPECT_TRUE(doc.toPlainText().contains("What shall we do with a drunken sailor,"));
    RtfReader::read(builtIn("NoRtf.rtf"), doc);
    EXPECT_TRUE(doc.toPlainText().startsWith("текста нет"));
}

TEST(FirstRun, ExistingKitIsNeverTouchedAndNoDemoIsInstalled) {
    TempHome home;
    const QByteArray mine = "[TemaArtist]\r\nButton1=Мои песни\r\n";
    writeAll(defaultKitPath(), mine);
    installDataFolder();
    EXPECT_EQ(readAll(defaultKitPath()), mine);
    for (const QString folder : {"TEXTS", "SONGS", "ICONS"})
        EXPECT_TRUE(QDir(dataPath(folder)).isEmpty()) << folder.toStdString();
    for (const QString& name : placeholders)
        EXPECT_TRUE(QFileInfo::exists(dataPath(name))) << name.toStdString();
}

TEST(FirstRun, ExistingPlaceholdersStayAndMissingOnesReturn) {
    TempHome home;
    const QByteArray myIcon = "my own icon, not even a bitmap";
    writeAll(dataPath("NoIcoS.bmp"), myIcon);
    installDataFolder();
    EXPECT_EQ(readAll(dataPath("NoIcoS.bmp")), myIcon);
    EXPECT_EQ(readAll(dataPath("NoIcoT.bmp")), builtIn("NoIcoT.bmp"));

    const QMap<QString, QByteArray> before = snapshot();
    ASSERT_TRUE(QFile::remove(dataPath("NoRtf.rtf")));
    installDataFolder();
    EXPECT_EQ(snapshot(), before); // NoRtf.rtf is back and nothing else changed
}

TEST(FirstRun, DemoFilesFromAnEarlierInstallAreReused) {
    TempHome home;
    installDataFolder();
    const QMap<QString, QByteArray> before = snapshot();
    ASSERT_TRUE(QFile::remove(defaultKitPath()));
    installDataFolder();
    EXPECT_EQ(snapshot(), before); // same kit, no second copies
}

TEST(FirstRun, UsersFileUnderADemoNameStaysAndTheDemoCopyGoesBesideIt) {
    TempHome home;
    const QByteArray mine = "RIFF my own recording";
    writeAll(dataPath("SONGS/Korobeiniki.wav"), mine);
    installDataFolder();
    EXPECT_EQ(readAll(dataPath("SONGS/Korobeiniki.wav")), mine);
    const QString copy = dataPath("SONGS/Korobeiniki (2).wav");
    EXPECT_EQ(readAll(copy), builtIn("SONGS/Korobeiniki.wav"));
    const IniFile kit(defaultKitPath());
    EXPECT_EQ(kit.readString("Section1", "Song1", ""), QDir::toNativeSeparators(copy));
}

TEST(FirstRun, RefusedFolderRaisesAndLeavesFilesAsTheyWere) {
    {
        TempHome home;
        writeAll(dataDir(), "a file where the data folder should be");
        EXPECT_EQ(installError(),
                  "Unable to create folder " + QDir::toNativeSeparators(dataDir()).toStdString());
        EXPECT_EQ(readAll(dataDir()), "a file where the data folder should be");
    }
    {
        TempHome home;
        writeAll(dataPath("SONGS"), "not a folder");
        EXPECT_EQ(installError(),
                  "Unable to create folder " + QDir::toNativeSeparators(dataPath("SONGS")).toStdString());
        EXPECT_EQ(readAll(dataPath("SONGS")), "not a folder");
        EXPECT_FALSE(QFileInfo::exists(defaultKitPath()));
    }
}
