#include "RtfReader.h"
#include "RtfTestSupport.h"

#include <QTextDocument>
#include <gtest/gtest.h>

using namespace sarvel;
using namespace sarvel::test;

namespace {

// A one-line document body inside a root group with the given header.
QString body(const QByteArray& header, const QByteArray& text) {
    return readWords("{\\rtf1" + header + (header.endsWith('}') ? "" : " ") + text + "}");
}

} // namespace

TEST(RtfCodePages, FromAnsiCpgAndFontCharsets) {
    EXPECT_EQ(body("\\ansi\\ansicpg1251", "\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2"), "Привет");
    EXPECT_EQ(body("\\ansi\\ansicpg1251", "\\'CF\\'F0\\'E8"), "При"); // either case of hex
    EXPECT_EQ(body("\\ansi", "caf\\'e9"), "café");                    // no \ansicpg: 1252
    EXPECT_EQ(body("\\ansi\\ansicpg1251", "\xcf\xf0\xe8"), "При");    // raw bytes like \'hh
    EXPECT_EQ(body("\\mac", "\\'8e"), "é");
    EXPECT_EQ(body("\\pc", "\\'82"), "é");

    const QByteArray fonts =
        "\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fcharset204 A;}{\\f1\\fcharset0 B;}"
        "{\\f2\\fcharset238 C;}{\\f3\\fcharset161 D;}{\\f4\\fcharset1 E;}{\\f5\\fcharset255 F;}"
        "{\\f6\\fcharset2 Symbol;}{\\f7\\fcharset0\\cpg1251 G;}}";
    EXPECT_EQ(body(fonts, "\\'e9"), "й"); // \deff0 is charset 204
    EXPECT_EQ(body(fonts, "\\f1 \\'e9"), "é");
    EXPECT_EQ(body(fonts, "\\f2 \\'9a"), "š");
    EXPECT_EQ(body(fonts, "\\f3 \\'e1"), "α");
    EXPECT_EQ(body(fonts, "\\f4 \\'e9"), "й"); // charset 1 follows \ansicpg
    EXPECT_EQ(body(fonts, "\\f5 \\'8f"), "П"); // OEM: cp866
    EXPECT_EQ(body(fonts, "\\f6 \\'b7"), "•");
    EXPECT_EQ(body(fonts, "\\f7 \\'e9"), "й");  // \cpg wins over the charset
    EXPECT_EQ(body(fonts, "\\f99 \\'e9"), "й"); // unknown font: the document's page
    EXPECT_EQ(body(fonts, "{\\f1 \\'e9}\\'e9"), "éй");
}

TEST(RtfCodePages, DoubleByteRunsDecodeTogether) {
    const QByteArray cjk = "{\\fonttbl{\\f0\\fcharset134 SimSun;}{\\f1\\fcharset128 MS Mincho;}}";
    EXPECT_EQ(body(cjk, "\\f0 \\'c4\\'e3\\'ba\\'c3"), "你好");
    EXPECT_EQ(body(cjk, "\\f1 \\'82\\'a0A\\'82\\'a2"), "あAい");
}

TEST(RtfUnicode, FallbackCharactersAreSkipped) {
    EXPECT_EQ(body("", "\\u1055?\\u1088?"), "Пр");
    EXPECT_EQ(body("", "\\u1055\\'3f!"), "П!");
    EXPECT_EQ(body("", "\\uc0\\u1055 \\u1088  x"), "Пр x"); // delimiter space is not a fallback
    EXPECT_EQ(body("", "\\uc2\\u12354\\'82\\'a0z"), "あz");
    EXPECT_EQ(body("", "\\uc1\\u8212\\emdash x"), "—x");  // a control word counts as one
    EXPECT_EQ(body("", "\\u1055\\bin2 xyz"), "Пz");       // and so does \bin with its data
    EXPECT_EQ(body("", "{\\u1055}ab"), "Пab");            // a group end stops the skipping
    EXPECT_EQ(body("", "{\\uc0 \\u1055}\\u1088?"), "Пр"); // \uc belongs to its group
    EXPECT_EQ(body("", "\\uc3\\u1055 ab"), "П");          // fallback longer than the text
}

TEST(RtfUnicode, NegativeValuesAndSurrogatePairs) {
    EXPECT_EQ(body("", "\\u-3?"), QString(QChar(0xFFFD)));
    EXPECT_EQ(body("", "\\u-10179?\\u-8704?"), "😀");
    EXPECT_EQ(body("", "\\uc0\\u55357 \\u56842 "), "😊");
    EXPECT_EQ(body("", "\\u-10179?x"), QString(QChar(0xFFFD)) + "x"); // unpaired high surrogate
    EXPECT_EQ(body("", "x\\u-8704?"), "x" + QString(QChar(0xFFFD)));
    EXPECT_EQ(body("", "x\\u-10179?\\par y"), "x" + QString(QChar(0xFFFD)) + "\ny");
}

TEST(RtfText, SpecialCharacters) {
    EXPECT_EQ(body("", "a\\~b\\-c\\_d"), "a\u00A0bc\u2011d");
    EXPECT_EQ(body("", "\\{\\}\\\\"), "{}\\");
    EXPECT_EQ(body("", "\\lquote\\rquote\\ldblquote\\rdblquote"), "‘’“”");
    EXPECT_EQ(body("", "\\emdash\\endash\\bullet\\emspace\\enspace\\qmspace"), "—–•\u2003\u2002\u2005");
    EXPECT_EQ(body("", "a\\tab b\tc"), "a\tb\tc");
    EXPECT_EQ(body("", "a\\line b"), "a\u2028b");
    EXPECT_EQ(body("", "a\\chpgn\\chdate b"), "ab");
}

TEST(RtfText, ControlWordDelimiters) {
    EXPECT_EQ(body("", "a\\b  b"), "a b");         // one space is eaten, the next is text
    EXPECT_EQ(body("", "a\\b0,b"), "a,b");         // punctuation ends a word and stays
    EXPECT_EQ(body("", "a\\fs20-b"), "a-b");       // '-' without a digit is text
    EXPECT_EQ(body("", "line\r\none"), "lineone"); // raw line ends mean nothing
    EXPECT_EQ(body("", "\\'4a\\'4B"), "JK");
    EXPECT_EQ(body("", "x\\'zz"), "xzz"); // a broken escape shows what follows
}

TEST(RtfText, Paragraphs) {
    EXPECT_EQ(body("", "a\\par b\\sect c\\page d\\row e\\par"), "a\nb\nc\nd\ne");
    EXPECT_EQ(body("", "a\\par\\par b\\par\\par\\par"), "a\n\nb"); // trailing marks dropped
    EXPECT_EQ(body("", "\\par a"), "\na");
    EXPECT_EQ(body("", "a\\\nb\\\r\nc"), "a\nb\nc"); // backslash before a line end
    EXPECT_EQ(body("", "a\\cell b\\cell\\row c"), "a\tb\t\nc");
}

TEST(RtfFormat, TogglesAndGroups) {
    QTextDocument doc;
    RtfReader::read(
        "{\\rtf1\\ansi "
        "\\b bold\\b0  plain {\\i italic} upright \\ul under\\ulnone  not \\uldb double\\ul0  off "
        "\\ulc2 colour-of-underline \\strike gone\\strike0  back \\striked1 twice\\striked0  "
        "{\\b\\i\\ul\\fs40 all\\plain  reset} after \\v hidden\\v0 shown "
        "m\\super 3\\nosupersub  H\\sub 2\\sub0 O \\caps caps\\caps0  \\scaps small}",
        doc);
    EXPECT_EQ(words(doc),
              "bold plain italic upright under not double off colour-of-underline gone back twice "
              "all reset after shown m3 H2O caps small");
    EXPECT_TRUE(isBold(formatOf(doc, "bold")));
    EXPECT_FALSE(isBold(formatOf(doc, " plain")));
    EXPECT_TRUE(formatOf(doc, "italic").fontItalic());
    EXPECT_FALSE(formatOf(doc, " upright").fontItalic());
    EXPECT_TRUE(formatOf(doc, "under").fontUnderline());
    EXPECT_FALSE(formatOf(doc, " not").fontUnderline());
    EXPECT_TRUE(formatOf(doc, "double").fontUnderline());
    EXPECT_FALSE(formatOf(doc, " off").fontUnderline());
    EXPECT_FALSE(formatOf(doc, "colour-of-underline").fontUnderline());
    EXPECT_TRUE(formatOf(doc, "gone").fontStrikeOut());
    EXPECT_FALSE(formatOf(doc, " back").fontStrikeOut());
    EXPECT_TRUE(formatOf(doc, "twice").fontStrikeOut());

    const QTextCharFormat all = formatOf(doc, "all");
    EXPECT_TRUE(isBold(all) && all.fontItalic() && all.fontUnderline());
    EXPECT_DOUBLE_EQ(all.fontPointSize(), 20.0);
    const QTextCharFormat reset = formatOf(doc, "reset");
    EXPECT_FALSE(isBold(reset) || reset.fontItalic() || reset.fontUnderline());
    EXPECT_DOUBLE_EQ(reset.fontPointSize(), 12.0);

    EXPECT_EQ(formatOf(doc, "3").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(formatOf(doc, "2").verticalAlignment(), QTextCharFormat::AlignSubScript);
    EXPECT_EQ(formatOf(doc, "O").verticalAlignment(), QTextCharFormat::AlignNormal);
    EXPECT_EQ(formatOf(doc, "caps").fontCapitalization(), QFont::AllUppercase);
    EXPECT_EQ(formatOf(doc, "small").fontCapitalization(), QFont::SmallCaps);
}

TEST(RtfFormat, FontSizes) {
    QTextDocument doc;
    RtfReader::read("{\\rtf1 default \\fs20 ten \\fs7 odd \\fs0 zero \\fs99999999 huge}", doc);
    EXPECT_DOUBLE_EQ(formatOf(doc, "default").fontPointSize(), 12.0);
    EXPECT_DOUBLE_EQ(formatOf(doc, "ten").fontPointSize(), 10.0);
    EXPECT_DOUBLE_EQ(formatOf(doc, "odd").fontPointSize(), 3.5);
    EXPECT_DOUBLE_EQ(formatOf(doc, "zero").fontPointSize(), 12.0);
    EXPECT_DOUBLE_EQ(formatOf(doc, "huge").fontPointSize(), 1638.0);
}

TEST(RtfFormat, ColourTable) {
    QTextDocument doc;
    RtfReader::read("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
                    "\\cf1 red\\cf2  green\\cf0  auto\\cf9  bad\\cf-1  negative "
                    "\\highlight2 marked\\highlight0  unmarked \\cb1 back}",
                    doc);
    EXPECT_EQ(formatOf(doc, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatOf(doc, "green").foreground().color(), QColor(0, 128, 0));
    for (const char* none : {" auto", " bad", " negative"})
        EXPECT_FALSE(formatOf(doc, none).hasProperty(QTextFormat::ForegroundBrush)) << none;
    EXPECT_EQ(formatOf(doc, "marked").background().color(), QColor(0, 128, 0));
    EXPECT_FALSE(formatOf(doc, "unmarked").hasProperty(QTextFormat::BackgroundBrush));
    EXPECT_EQ(formatOf(doc, "back").background().color(), QColor(255, 0, 0));

    // A table whose entry 0 is a real colour (AbiWord, older Windows files).
    RtfReader::read(
        "{\\rtf1{\\colortbl\\red0\\green0\\blue0;\\red0\\green0\\blue255;}\\cf0 black\\cf1  blue}", doc);
    EXPECT_EQ(formatOf(doc, "black").foreground().color(), QColor(0, 0, 0));
    EXPECT_EQ(formatOf(doc, "blue").foreground().color(), QColor(0, 0, 255));
}

TEST(RtfFormat, ParagraphAlignment) {
    QTextDocument doc;
    RtfReader::read("{\\rtf1\\qc centred\\par\\pard left\\par\\qr right\\par\\qj justified\\par"
                    "{\\pard\\qc in group\\par}after group\\par \\qc changed at the end\\par}",
                    doc);
    EXPECT_EQ(alignmentOf(doc, "centred"), Qt::AlignHCenter);
    EXPECT_EQ(alignmentOf(doc, "left"), Qt::AlignLeft);
    EXPECT_EQ(alignmentOf(doc, "right"), Qt::AlignRight);
    EXPECT_EQ(alignmentOf(doc, "justified"), Qt::AlignJustify);
    EXPECT_EQ(alignmentOf(doc, "in group"), Qt::AlignHCenter);
    EXPECT_EQ(alignmentOf(doc, "after group"), Qt::AlignJustify);        // the group restored \qj
    EXPECT_EQ(alignmentOf(doc, "changed at the end"), Qt::AlignHCenter); // what holds at \par

    RtfReader::read("{\\rtf1\\qr no mark at the end}", doc);
    EXPECT_EQ(alignmentOf(doc, "no mark"), Qt::AlignRight);
}

TEST(RtfDestinations, HiddenOnesShowNothing) {
    EXPECT_EQ(body("{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s0 Normal;}}"
                   "{\\info{\\title T}{\\author A}}{\\*\\generator G;}",
                   "text"),
              "text");
    EXPECT_EQ(body("", "a{\\*\\anything new b}c"), "ac");
    EXPECT_EQ(body("", "a{\\unknownword b}c"), "abc"); // unknown, without \*: its text shows
    EXPECT_EQ(body("", "a{\\header h}{\\footerl f}{\\footnote n}{\\annotation x}{\\pict 0a0b}{\\xe i}b"),
              "ab");
    EXPECT_EQ(body("", "a{\\*\\themedata 504b}{\\*\\datastore 0105}{\\*\\latentstyles x}{\\listtable y}b"),
              "ab");
    EXPECT_EQ(body("", "a{\\pntext\\'b7\\tab}b"), "a·\tb"); // ready-made list labels show
    EXPECT_EQ(body("", "a{\\v hidden}b"), "ab");
}

TEST(RtfDestinations, FieldsAndObjects) {
    EXPECT_EQ(body("", "see {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt the link}} here"),
              "see the link here");
    EXPECT_EQ(body("", "{\\field{\\fldinst PAGE}{\\fldrslt 7}}"), "7");
    EXPECT_EQ(body("", "a{\\object\\objemb{\\*\\objclass P}{\\objdata 0102}{\\result shown}}b"), "ashownb");
    EXPECT_EQ(body("", "a{\\object{\\objdata 0102} stray text}b"), "ab");
    EXPECT_EQ(body("", "a\\result b"), "ab"); // \result outside an object changes nothing
}

TEST(RtfDestinations, BinaryDataIsNeverParsed) {
    EXPECT_EQ(body("", "a{\\pict\\bin4 }}{\\}b"), "ab");
    EXPECT_EQ(body("", "a{\\pict\\bin0 }b"), "ab");
    EXPECT_EQ(body("", "a\\bin3 xyzb"), "ab"); // even outside a picture
}

TEST(RtfDestinations, FontTableForms) {
    // Entries without braces (macOS), names in their own charset, a name ended by the group.
    QTextDocument doc;
    RtfReader::read(
        "{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\fcharset204 \\'c0\\'f0\\'e8\\'e0\\'eb;"
        "{\\f2\\froman{\\*\\panose 0202}{\\*\\falt Y}Times}}"
        "\\f0 one \\f1 two \\f2 three}",
        doc);
    EXPECT_EQ(formatOf(doc, "one").fontFamilies().toStringList(), QStringList{"Helvetica"});
    EXPECT_EQ(formatOf(doc, "two").fontFamilies().toStringList(), QStringList{"Ариал"});
    EXPECT_EQ(formatOf(doc, "three").fontFamilies().toStringList(), QStringList{"Times"});
}

TEST(RtfDestinations, NothingAfterTheRootGroup) {
    EXPECT_EQ(readWords("{\\rtf1 words}trailing{\\rtf1 more}"), "words");
    EXPECT_EQ(readWords(QByteArray("{\\rtf1 words}\0\0\0", 17)), "words");
}
