#include "LrcWriter.h"
#include "Lrc.h"

#include <gtest/gtest.h>

namespace sarvel {
namespace {

TEST(LrcWriter, WrittenTimesReadBackAndTheOffsetTagIsAllThatChanges) {
    // Hundredths rounded, an hour and more in minutes, a line break inside the words, Cyrillic.
    const QByteArray text = formatLrc({{"Калинка", 5}, {"two\nparts", 61'994}, {"late", 3'725'120}}, -300);
    EXPECT_EQ(text, QByteArray("[offset:-300]\n[00:00.01]Калинка\n[01:01.99]two parts\n[62:05.12]late\n"));
    const Lrc read = parseLrc(text);
    EXPECT_EQ(read.offset, -300);
    ASSERT_EQ(read.lines.size(), 3u);
    EXPECT_EQ(read.lines[1].times, std::vector<std::int64_t>{61'990});

    // A Windows-1251, CRLF file keeps every other byte; without a tag one is put first.
    const QByteArray cp1251 = "[ar:\xCA\xE0]\r\n  [OFFSET: 50]\r\n[00:01.00]\xCA\xE0\xEB\xE8\r\n";
    EXPECT_EQ(withLrcOffset(cp1251, 150),
              QByteArray("[ar:\xCA\xE0]\r\n  [offset:+150]\r\n[00:01.00]\xCA\xE0\xEB\xE8\r\n"));
    EXPECT_EQ(withLrcOffset("[00:01.00]a\r\n", -100), QByteArray("[offset:-100]\r\n[00:01.00]a\r\n"));
}

} // namespace
} // namespace sarvel
