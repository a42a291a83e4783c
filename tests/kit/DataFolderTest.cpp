#include "DataFolder.h"
#include "TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

namespace sarvel {
namespace {

using test::TempHome;
using test::writeAll;

TEST(DataFolderTest, FixedPathsLiveUnderHomeAndConfig) {
    const TempHome home;
    EXPECT_EQ(dataDir(), home.dataDir());
    EXPECT_EQ(defaultKitPath(), home.dataDir() + "/TEMES/First.vkt");
    EXPECT_EQ(dataPath("NoRtf.rtf"), home.dataDir() + "/NoRtf.rtf");
    EXPECT_EQ(settingsPath(), home.configDir() + "/tirsen.ini");
}

TEST(DataFolderTest, MapsWindowsPathsUnderTheDataFolder) {
    const TempHome home;
    const std::pair<QString, QString> mapped[] = {
        {"C:\\SARVEL\\TEMES\\First.vkt", "/TEMES/First.vkt"},
        {"c:\\sarvel\\SONGS\\song.mp3", "/SONGS/song.mp3"},
        {"C:/Sarvel/TEXTS\\Words.rtf", "/TEXTS/Words.rtf"},
        {"C:\\SARVEL/NoIcoS.bmp", "/NoIcoS.bmp"},
    };
    for (const auto& [stored, rest] : mapped)
        EXPECT_EQ(fromStoredPath(stored), home.dataDir() + rest) << stored.toStdString();

    const QString kept[] = {"D:\\Music\\song.mp3",
                            "C:\\SARVELX\\song.mp3",
                            "C:\\Other\\SARVEL\\a.mp3",
                            "/home/user/song.mp3",
                            "-",
                            ""};
    for (const QString& stored : kept)
        EXPECT_EQ(fromStoredPath(stored), stored) << stored.toStdString();
}

TEST(DataFolderTest, WindowsPathsFindTheirFilesInAnyLetterCase) {
    const TempHome home;
    const QString data = home.dataDir();
    writeAll(data + "/ICONS/s3.bmp", "x");
    writeAll(data + "/TEMES/Other.vkt", "x");
    writeAll(data + "/TEXTS/Words.rtf", "x");
    writeAll(data + "/TEXTS/WORDS.rtf", "x");

    EXPECT_EQ(fromStoredPath("C:\\Sarvel\\Icons\\S3.BMP"), data + "/ICONS/s3.bmp");
    EXPECT_EQ(fromStoredPath("c:\\sarvel\\temes\\Other.vkt"), data + "/TEMES/Other.vkt");
    EXPECT_TRUE(namesExistingFile("c:\\sarvel\\temes\\OTHER.VKT"));
    // A name that exists as written wins over one differing in case only.
    EXPECT_EQ(fromStoredPath("C:\\SARVEL\\texts\\WORDS.rtf"), data + "/TEXTS/WORDS.rtf");
    EXPECT_EQ(fromStoredPath("C:\\SARVEL\\texts\\Words.rtf"), data + "/TEXTS/Words.rtf");
    // What exists in no case keeps its spelling from there on, ready to be created.
    EXPECT_EQ(fromStoredPath("C:\\SARVEL\\temes\\New001.vkt"), data + "/TEMES/New001.vkt");
    EXPECT_EQ(fromStoredPath("C:\\SARVEL\\Gone\\Temes\\a.vkt"), data + "/Gone/Temes/a.vkt");
}

TEST(DataFolderTest, OnlyAnExistingFileCountsAsAFile) {
    const TempHome home;
    writeAll(home.dataDir() + "/SONGS/song.mp3", "x");
    QDir().mkpath(home.dataDir() + "/ICONS");

    EXPECT_TRUE(namesExistingFile(home.dataDir() + "/SONGS/song.mp3"));
    EXPECT_TRUE(namesExistingFile("C:\\SARVEL\\SONGS\\song.mp3"));
    EXPECT_TRUE(namesExistingFile("c:/sarvel/SONGS/song.mp3"));
    EXPECT_FALSE(namesExistingFile("-"));
    EXPECT_FALSE(namesExistingFile(""));
    EXPECT_FALSE(namesExistingFile("C:\\SARVEL\\SONGS\\gone.mp3"));
    EXPECT_FALSE(namesExistingFile(home.dataDir() + "/ICONS"));
    EXPECT_FALSE(namesExistingFile("C:\\SARVEL\\ICONS"));
}

TEST(DataFolderTest, NoneMarkerIsNoFileEvenWhenSuchAFileExists) {
    const TempHome home;
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(home.path()));
    writeAll(home.path() + "/-", "x");
    const bool found = namesExistingFile("-");
    QDir::setCurrent(old);
    EXPECT_FALSE(found);
}

} // namespace
} // namespace sarvel
