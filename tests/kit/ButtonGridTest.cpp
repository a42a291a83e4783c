#include "ButtonGrid.h"
#include "DataFolder.h"
#include "SelectionState.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <stdexcept>

using namespace sarvel;
using sarvel::test::TempHome;
using sarvel::test::writeAll;
using sarvel::test::writeBitmap;
using sarvel::test::writePlaceholderIcons;

namespace {

// Records every call the fills make, in order, with the glyph's size as its fingerprint.
class RecordingView : public GridView {
public:
    void setSongCaption(int n, const QString& c) override {
        songCaption[n] = c;
        log << QStringLiteral("caption%1").arg(n);
    }
    void setSongGlyph(int n, const QImage& g) override {
        songGlyph[n] = g.width();
        log << QStringLiteral("glyph%1").arg(n);
    }
    void setTemaCaption(int t, const QString& c) override {
        temaCaption[t] = c;
        log << QStringLiteral("tcaption%1").arg(t);
    }
    void setTemaGlyph(int t, const QImage& g) override {
        temaGlyph[t] = g.width();
        log << QStringLiteral("tglyph%1").arg(t);
    }
    void pressSong(int n) override { pressed = n; }

    std::map<int, QString> songCaption, temaCaption;
    std::map<int, int> songGlyph, temaGlyph;
    QStringList log;
    int pressed = 0;
};

class GridFill : public ::testing::Test {
protected:
    void SetUp() override {
        writePlaceholderIcons(); // their widths tell them apart from kit icons
        state.KitFileName = home.dataDir() + "/TEMES/Test.vkt";
    }
    void writeKit(const QByteArray& text) { writeAll(state.KitFileName, text); }

    TempHome home;
    SelectionState state;
    RecordingView view;
};

} // namespace

TEST(GridNumbering, EverySongNumberSitsInExactlyOneCell) {
    std::set<int> seen;
    int empty = 0;
    for (int r = 1; r <= kSongRows; ++r)
        for (int c = 1; c <= kSongColumns; ++c) {
            const int n = songNumberAt(r, c);
            if (n == 0)
                ++empty;
            else
                EXPECT_TRUE(seen.insert(n).second) << "duplicate " << n;
        }
    EXPECT_EQ(seen.size(), 50u);
    EXPECT_EQ(*seen.begin(), 1);
    EXPECT_EQ(*seen.rbegin(), 50);
    EXPECT_EQ(empty, 2);
}

TEST(GridNumbering, IrregularCellsKeepTheirNumbers) {
    EXPECT_EQ(songNumberAt(7, 2), 17);
    EXPECT_EQ(songNumberAt(8, 2), 20);
    EXPECT_EQ(songNumberAt(9, 2), 19);
    EXPECT_EQ(songNumberAt(10, 2), 18);
    EXPECT_EQ(songNumberAt(11, 1), 48);
    EXPECT_EQ(songNumberAt(12, 1), 50);
    EXPECT_EQ(songNumberAt(13, 1), 49);
    EXPECT_EQ(songNumberAt(11, 2), 41);
    EXPECT_EQ(songNumberAt(12, 4), 46);
    EXPECT_EQ(songNumberAt(13, 2), 0);
    EXPECT_EQ(songNumberAt(13, 3), 0);
    EXPECT_EQ(songNumberAt(13, 4), 47);
    EXPECT_EQ(songNumberAt(0, 1), 0);
    EXPECT_EQ(songNumberAt(14, 1), 0);
}

TEST(GridNumbering, ThemesRunDownTheColumns) {
    EXPECT_EQ(temaNumberAt(1, 1), 1);
    EXPECT_EQ(temaNumberAt(4, 1), 4);
    EXPECT_EQ(temaNumberAt(1, 2), 5);
    EXPECT_EQ(temaNumberAt(3, 4), 15);
    EXPECT_EQ(temaNumberAt(4, 5), 20);
    EXPECT_EQ(temaNumberAt(5, 1), 0);
    EXPECT_EQ(sectionName(7), "Section7");
}

TEST_F(GridFill, MissingKitShowsDefaultsAndPlaceholders) {
    state.KitFileName = home.dataDir() + "/TEMES/Nowhere.vkt";
    ReturnNameButtonSong(view, state);
    ReturnNameButtonTema(view, state);
    ASSERT_EQ(view.songCaption.size(), 50u);
    EXPECT_EQ(view.songCaption[1], "Song-1");
    EXPECT_EQ(view.songCaption[50], "Song-50");
    EXPECT_EQ(view.temaCaption[3], "Artist-3");
    EXPECT_EQ(view.temaCaption[20], "Artist-20");
    for (int n = 1; n <= 50; ++n)
        EXPECT_EQ(view.songGlyph[n], 9) << n;
    for (int t = 1; t <= 20; ++t)
        EXPECT_EQ(view.temaGlyph[t], 7) << t;
    EXPECT_FALSE(QFileInfo::exists(state.KitFileName)) << "a fill never creates the kit";
}

TEST_F(GridFill, SongFillSetsAllCaptionsBeforeAnyIconAndThemeFillGoesButtonByButton) {
    writeKit("[Section1]\nButton1=A\n[TemaArtist]\nButton1=T\n");
    ReturnNameButtonSong(view, state);
    EXPECT_EQ(view.log.indexOf("caption50"), 49);
    EXPECT_EQ(view.log.indexOf("glyph1"), 50);
    view.log.clear();
    ReturnNameButtonTema(view, state);
    ASSERT_GE(view.log.size(), 4);
    EXPECT_EQ(view.log.mid(0, 4), QStringList({"tglyph1", "tcaption1", "tglyph2", "tcaption2"}));
}

TEST_F(GridFill, ReadsTheCurrentSectionWithCaseInsensitiveNamesAndUnpaddedNumbers) {
    const QString icon = home.dataDir() + "/ICONS/leaf.bmp";
    writeBitmap(icon, 32);
    writeKit(QStringLiteral("[section3]\nBUTTON18=Осенний вальс\nButton07=padded\nIcon18=%1\n"
                            "[Section1]\nButton18=wrong theme\n")
                 .arg(icon)
                 .toUtf8());
    state.CurrentSection = "Section3";
    ReturnNameButtonSong(view, state);
    EXPECT_EQ(view.songCaption[18], QStringLiteral("Осенний вальс"));
    EXPECT_EQ(view.songCaption[7], "Song-7") << "Button07 is not Button7";
    EXPECT_EQ(view.songGlyph[18], 32);
    EXPECT_EQ(view.songGlyph[17], 9);
}

TEST_F(GridFill, NoneMarkerAndMissingFilesGiveThePlaceholder) {
    writeKit("[TemaArtist]\nIcon1=-\nIcon2=/no/such/icon.bmp\nIcon3=\nButton2=Dance\n");
    ReturnNameButtonTema(view, state);
    EXPECT_EQ(view.temaGlyph[1], 7);
    EXPECT_EQ(view.temaGlyph[2], 7);
    EXPECT_EQ(view.temaGlyph[3], 7);
    EXPECT_EQ(view.temaCaption[2], "Dance");
}

TEST_F(GridFill, WindowsPathsUnderTheDataFolderStillFindTheirIcons) {
    writeBitmap(home.dataDir() + "/ICONS/ballads.bmp", 20);
    writeKit("[TemaArtist]\nIcon1=C:\\SARVEL\\ICONS\\ballads.bmp\nIcon2=c:/sarvel/NoIcoT.bmp\n");
    ReturnNameButtonTema(view, state);
    EXPECT_EQ(view.temaGlyph[1], 20);
    EXPECT_EQ(view.temaGlyph[2], 7);
}

TEST_F(GridFill, BadBitmapStopsTheSongFillAfterAllCaptions) {
    const QString bad = home.dataDir() + "/ICONS/bad.bmp";
    writeAll(bad, "this is not a bitmap");
    writeKit(QStringLiteral("[Section1]\nButton50=Last\nIcon7=%1\n").arg(bad).toUtf8());
    try {
        ReturnNameButtonSong(view, state);
        FAIL() << "expected a load error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Bitmap image is not valid");
    }
    EXPECT_EQ(view.songCaption.size(), 50u);
    EXPECT_EQ(view.songCaption[50], "Last");
    EXPECT_EQ(view.songGlyph.size(), 6u) << "icons before the bad one are set, the rest keep theirs";
}

TEST_F(GridFill, BadThemeIconLeavesThatButtonAndLaterOnesAsTheyWere) {
    const QString bad = home.dataDir() + "/ICONS/bad.bmp";
    writeAll(bad, "");
    writeKit(QStringLiteral("[TemaArtist]\nButton2=Two\nButton3=Three\nIcon3=%1\n").arg(bad).toUtf8());
    EXPECT_THROW(ReturnNameButtonTema(view, state), std::runtime_error);
    EXPECT_EQ(view.temaCaption[2], "Two");
    EXPECT_EQ(view.temaCaption.count(3), 0u);
    EXPECT_EQ(view.temaGlyph.count(3), 0u);
}

TEST_F(GridFill, MissingPlaceholderIsReportedByName) {
    QFile::remove(dataPath("NoIcoS.bmp"));
    try {
        ReturnNameButtonSong(view, state);
        FAIL() << "expected a load error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), "Cannot open file " + dataPath("NoIcoS.bmp"));
    }
}

TEST_F(GridFill, JobTemaMakesTheThemeCurrentAndPressesSongOne) {
    writeKit("[Section5]\nButton1=Five\n");
    state.SongNumber = 9;
    JobTema(5, view, state);
    EXPECT_EQ(state.TemaNumber, 5);
    EXPECT_EQ(state.CurrentSection, "Section5");
    EXPECT_EQ(state.SongNumber, 9) << "selecting a theme launches nothing";
    EXPECT_EQ(view.songCaption[1], "Five");
    EXPECT_EQ(view.pressed, 1);
    EXPECT_TRUE(view.temaCaption.empty()) << "theme buttons are not refilled";
}

TEST_F(GridFill, JobTemaStopsWithAFailingFill) {
    QFile::remove(dataPath("NoIcoS.bmp"));
    EXPECT_THROW(JobTema(2, view, state), std::runtime_error);
    EXPECT_EQ(state.CurrentSection, "Section2");
    EXPECT_EQ(view.pressed, 0);
}
