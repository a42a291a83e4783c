#include "RtfTokenizer.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

using sarvel::RtfTokenizer;
using Kind = RtfTokenizer::Kind;

namespace {

std::vector<RtfTokenizer::Token> tokens(std::string_view bytes) {
    RtfTokenizer t(bytes);
    std::vector<RtfTokenizer::Token> out;
    for (auto token = t.next(); token.kind != Kind::End; token = t.next())
        out.push_back(token);
    return out;
}

RtfTokenizer::Token only(std::string_view bytes) {
    const auto all = tokens(bytes);
    EXPECT_EQ(all.size(), 1u) << bytes;
    return all.empty() ? RtfTokenizer::Token{} : all.front();
}

} // namespace

TEST(RtfTokenizer, ControlWordsAndParameters) {
    auto t = only("\\fs24");
    EXPECT_EQ(t.kind, Kind::Word);
    EXPECT_EQ(t.text, "fs");
    EXPECT_TRUE(t.hasParam);
    EXPECT_EQ(t.param, 24);

    t = only("\\u-10179");
    EXPECT_EQ(t.param, -10179);

    t = only("\\par");
    EXPECT_FALSE(t.hasParam);

    EXPECT_EQ(only("\\fs2147483647").param, std::numeric_limits<int>::max());
    EXPECT_EQ(only("\\fs-2147483648").param, std::numeric_limits<int>::min());
    EXPECT_EQ(only("\\fs99999999999999999999999").param, std::numeric_limits<int>::max());
    EXPECT_EQ(only("\\fs-99999999999999999999999").param, std::numeric_limits<int>::min());
}

TEST(RtfTokenizer, Delimiters) {
    auto all = tokens("\\b  x");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].kind, Kind::Text);
    EXPECT_EQ(all[1].text, " x"); // only the first space belongs to the word

    all = tokens("\\b-x");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_FALSE(all[0].hasParam);
    EXPECT_EQ(all[1].text, "-x");

    all = tokens("\\fs20;");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].text, ";");

    const std::string longWord = "\\" + std::string(RtfTokenizer::maxWordLength + 1, 'a') + "12 x";
    all = tokens(longWord);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].kind, Kind::Word);
    EXPECT_TRUE(all[0].text.empty()); // over-long: ignored, parameter and delimiter consumed
    EXPECT_EQ(all[1].text, "x");
    EXPECT_EQ(only("\\" + std::string(RtfTokenizer::maxWordLength, 'a')).text.size(),
              RtfTokenizer::maxWordLength);
}

TEST(RtfTokenizer, SymbolsAndHexBytes) {
    auto t = only("\\'Cf");
    EXPECT_EQ(t.kind, Kind::Hex);
    EXPECT_EQ(t.byte, 0xCF);

    t = only("\\~");
    EXPECT_EQ(t.kind, Kind::Symbol);
    EXPECT_EQ(t.byte, '~');

    auto all = tokens("\\'g1");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].kind, Kind::Symbol);
    EXPECT_EQ(all[1].text, "g1");

    for (std::string_view lineEnd : {"\\\n", "\\\r"}) {
        t = only(lineEnd);
        EXPECT_EQ(t.kind, Kind::Word);
        EXPECT_EQ(t.text, "par");
    }
    t = only("\t");
    EXPECT_EQ(t.text, "tab");
}

TEST(RtfTokenizer, TextRunsSkipLineEndsAndNuls) {
    const auto all = tokens(std::string_view("ab\r\ncd\0e\xcf{", 10));
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].text, "ab");
    EXPECT_EQ(all[1].text, "cd");
    EXPECT_EQ(all[2].text, "e\xcf"); // raw high bytes are text, decoded later like \'hh
    EXPECT_EQ(all[3].kind, Kind::GroupOpen);
}

TEST(RtfTokenizer, BinaryData) {
    auto all = tokens("\\bin4 {}\\'x}");
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].kind, Kind::Binary);
    EXPECT_EQ(all[0].text, "{}\\'");
    EXPECT_EQ(all[1].text, "x");
    EXPECT_EQ(all[2].kind, Kind::GroupClose);

    EXPECT_EQ(only("\\bin999 abc").text, "abc"); // clamped to what is left
    EXPECT_EQ(only("\\bin2147483647").text, ""); // nothing left at all
    all = tokens("\\bin-3 ab");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].text, "");
    EXPECT_EQ(all[1].text, "ab");
}
