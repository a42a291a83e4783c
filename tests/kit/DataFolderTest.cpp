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
