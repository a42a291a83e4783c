#include "SongTime.h"

#include <gtest/gtest.h>
#include <limits>

using namespace sarvel;

TEST(SongTime, SecondsAreAlwaysTwoDigits) {
    EXPECT_EQ(minutesSeconds(0), "0:00");
    EXPECT_EQ(minutesSeconds(999), "0:00");
    EXPECT_EQ(minutesSeconds(65000), "1:05");
    EXPECT_EQ(minutesSeconds(185000), "3:05");
    EXPECT_EQ(minutesSeconds(3599999), "59:59");
    EXPECT_EQ(minutesSeconds(3600000), "60:00");
    EXPECT_EQ(minutesSeconds(-20), "0:00");
}

TEST(SongTime, LabelsKeepTheirSpacing) {
    EXPECT_EQ(lengthLabelText(185000), " 3:05  ");
    EXPECT_EQ(elapsedLabelText(65000), " 1:05 ");
    EXPECT_EQ(remainingLabelText(120000), " 2:00 ");
}

TEST(SongTime, CaretWalksLinearlyThroughTheWords) {
    EXPECT_EQ(caretIndex(1000, 0, 200000), 0);
    EXPECT_EQ(caretIndex(1000, 50000, 200000), 250);
    EXPECT_EQ(caretIndex(1000, 100000, 200000), 500) << "half the song is half the text, not its end";
    EXPECT_EQ(caretIndex(1000, 150000, 200000), 750);
    EXPECT_EQ(caretIndex(1000, 200000, 200000), 1000);
    EXPECT_EQ(caretIndex(1000, 250000, 200000), 1000) << "clamped to the end";
    EXPECT_EQ(caretIndex(0, 5000, 200000), 0);
    EXPECT_EQ(caretIndex(1000, 5000, 0), 1000) << "a song of length 0 is at its end";
}

TEST(SongTime, CaretMappingDoesNotOverflowOnLongTextsAndSongs) {
    const int big = std::numeric_limits<int>::max();
    EXPECT_EQ(caretIndex(big, big / 2, big), big / 2);
    EXPECT_EQ(caretIndex(5000000, 3599000, 3600000), 4998611);
}
