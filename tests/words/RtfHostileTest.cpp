#include "RtfDocumentBuilder.h"
#include "RtfReader.h"
#include "RtfTestSupport.h"
#include "TestSupport.h"

#include <QTextDocument>
#include <gtest/gtest.h>

#include <random>

using namespace sarvel;
using namespace sarvel::test;

// Damaged and malicious files: each must load promptly, keep the words before the damage and
// never crash (the suite runs under the sanitizers too).

TEST(RtfHostile, EveryTruncationOfARealFile) {
    const QByteArray full = readAll(dataFile("rtf/word_style.rtf"));
    const QString whole = readWords(full);
    const QStringList paragraphs = whole.split('\n');
    ASSERT_EQ(paragraphs.size(), 4);

    for (qsizetype n = 0; n <= full.size(); ++n) {
        const QString text = readWords(full.left(n));
        ASSERT_LE(text.size(), whole.size() + 2) << "cut at " << n;
    }
    // Cut right after each paragraph mark of the body: exactly the paragraphs before it remain.
    qsizetype from = full.indexOf("\\pard\\plain \\ltrpar\\qc");
    for (int kept = 1; kept < paragraphs.size(); ++kept) {
        from = full.indexOf("\\insrsid1 \\par }", from) + 16; // the footnote's mark is \insrsid2
        ASSERT_GT(from, 16);
        EXPECT_EQ(readWords(full.left(from)), paragraphs.mid(0, kept).join('\n'));
    }
}

TEST(RtfHostile, UnbalancedBraces) {
    EXPECT_EQ(readWords("{\\rtf1 a}}}}} b"), "a");
    EXPECT_EQ(readWords("}}}{\\rtf1 a}"), "}}}{\\rtf1 a}"); // not RTF at all: shown as text

    QTextDocument doc;
    RtfReader::read("{\\rtf1 plain {\\b bold {\\i both", doc); // never closed
    EXPECT_EQ(words(doc), "plain bold both");
    EXPECT_TRUE(isBold(formatOf(doc, "both")));
    EXPECT_TRUE(formatOf(doc, "both").fontItalic());
    EXPECT_FALSE(isBold(formatOf(doc, "plain")));
}

TEST(RtfHostile, DeepNesting) {
    const int depth = 100000;
    const QByteArray open(depth, '{');
    const QByteArray close(depth, '}');
    // Text beyond the depth limit is dropped; the state around it survives intact.
    EXPECT_EQ(readWords("{\\rtf1 before" + open + "deep" + close + " after}"), "before after");
    EXPECT_EQ(readWords("{\\rtf1 before" + open + "\\b deep"), "before");
    EXPECT_EQ(readWords("{\\rtf1 before" + open + close + close + " gone"), "before");

    QTextDocument doc;
    RtfReader::read("{\\rtf1 " + QByteArray(500, '{') + "\\b deep" + QByteArray(500, '}') + " after}", doc);
    EXPECT_EQ(words(doc), "deep after");
    EXPECT_TRUE(isBold(formatOf(doc, "deep")));
    EXPECT_FALSE(isBold(formatOf(doc, " after")));

    // Within the limit a skipped destination stays skipped however deep it goes.
    EXPECT_EQ(readWords("{\\rtf1 a{\\*\\x" + QByteArray(900, '{') + "hidden" + QByteArray(900, '}') + "}b}"),
              "ab");
}

TEST(RtfHostile, HugeOrNegativeBinaryLengths) {
    EXPECT_EQ(readWords("{\\rtf1 kept\\bin99999999999999999999 {}}}"), "kept");
    EXPECT_EQ(readWords("{\\rtf1 kept\\bin2147483647 x"), "kept");
    EXPECT_EQ(readWords("{\\rtf1 a\\bin-5 b}"), "ab");
    EXPECT_EQ(readWords("{\\rtf1 a\\bin"), "a");
}

TEST(RtfHostile, HugeParameters) {
    QTextDocument doc;
    RtfReader::read("{\\rtf1{\\colortbl;\\red99999999999\\green-99999999999\\blue7;}"
                    "\\fs-2147483648 a\\cf2147483647 b\\cf1 c\\f-2147483648 d\\uc2147483647 e"
                    "\\li-99999999999999\\fi2147483647\\sb99999999999 f\\par"
                    "\\u2147483647 g\\u-2147483648 h\\ansicpg-1251\\'e9\\ansicpg99999999\\'e9}",
                    doc);
    // \uc is clamped, so the huge fallback ends at the group end instead of eating the rest.
    EXPECT_EQ(words(doc).left(4), "abcd");
    EXPECT_DOUBLE_EQ(formatOf(doc, "a").fontPointSize(), 12.0);
    EXPECT_FALSE(formatOf(doc, "b").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(formatOf(doc, "c").foreground().color(), QColor(255, 0, 7));
}

TEST(RtfHostile, StyleSheetLoopsAndHugeNumbers) {
    QTextDocument doc;
    RtfReader::read(
        "{\\rtf1{\\stylesheet{\\s1\\fs20\\sbasedon2 a;}{\\s2\\b\\sbasedon1 b;}"
        "{\\s3\\i\\sbasedon3 c;}{\\s-99999999999\\fs99999999999\\sbasedon2147483647 d;}"
        "{\\*\\cs99999999999\\ul;}{\\*\\ts1\\fs2;}}"
        "\\s1 x\\par\\pard\\plain\\s3 y\\par\\pard\\plain\\s-2147483648 z\\cs2147483647 w\\s77\\ts1 v}",
        doc);
    EXPECT_EQ(words(doc), "x\ny\nzwv");
    const QTextCharFormat x = formatOf(doc, "x"); // its bases loop back to it
    EXPECT_TRUE(isBold(x));
    EXPECT_DOUBLE_EQ(x.fontPointSize(), 10.0);
    EXPECT_TRUE(formatOf(doc, "y").fontItalic());
    EXPECT_DOUBLE_EQ(formatOf(doc, "z").fontPointSize(), 1638.0);
    EXPECT_TRUE(formatOf(doc, "wv").fontUnderline());

    // A long style sheet loads like any other long table.
    EXPECT_EQ(readWords("{\\rtf1{\\stylesheet" + QByteArray("{\\s7\\sbasedon7\\b;}").repeated(100000) +
                        "}\\s7 words}"),
              "words");
}

TEST(RtfHostile, OverlongWordsAndBrokenEscapes) {
    EXPECT_EQ(readWords("{\\rtf1 a\\" + QByteArray(100000, 'b') + " c}"), "ac");
    EXPECT_EQ(readWords("{\\rtf1 a\\fs" + QByteArray(100000, '9') + " c}"), "ac");
    EXPECT_EQ(readWords("{\\rtf1 a\\'"), "a");
    EXPECT_EQ(readWords("{\\rtf1 a\\'4"), "a4");
    EXPECT_EQ(readWords("{\\rtf1 a\\"), "a");
    EXPECT_EQ(readWords(QByteArray("{\\rtf1 a\0b\0}", 12)), "ab");
}

TEST(RtfHostile, GarbageAfterTheHeader) {
    std::mt19937 random(20240607);
    for (int round = 0; round < 20; ++round) {
        QByteArray garbage(20000, '\0');
        for (char& c : garbage)
            c = static_cast<char>(random() & 0xFF);
        const QString text = readWords("{\\rtf1\\ansi\\ansicpg1251 Hello \\'cf\\'f0\\'e8\\par " + garbage);
        ASSERT_TRUE(text.startsWith(QString::fromUtf8("Hello При"))) << "round " << round;
    }
}

TEST(RtfHostile, TablesThatNeverEnd) {
    // A font or colour table that swallows the file: nothing shows, nothing breaks.
    EXPECT_EQ(readWords("{\\rtf1{\\fonttbl\\f0 " + QByteArray(300000, 'x') + " words}"), "");
    EXPECT_EQ(readWords("{\\rtf1{\\colortbl" + QByteArray(300000, ';') + "}words}"), "words");
    EXPECT_EQ(readWords("{\\rtf1{\\fonttbl" + QByteArray(100000, ';') + "}words}"), "words");
}

TEST(RtfHostile, ParagraphFlood) {
    // Past the paragraph limit, marks turn into line breaks: every word is kept, the block count
    // (which Qt pays for dearly) is not.
    const int marks = RtfDocumentBuilder::maxParagraphs + 5;
    QByteArray rtf = "{\\rtf1 ";
    for (int i = 0; i < marks; ++i)
        rtf += "x\\par ";
    QTextDocument doc;
    RtfReader::read(rtf + "end}", doc);
    EXPECT_EQ(doc.blockCount(), RtfDocumentBuilder::maxParagraphs);
    const QString last = doc.lastBlock().text();
    EXPECT_EQ(last, QString("x\u2028").repeated(6) + "end");
    EXPECT_EQ(doc.toPlainText().count('x'), marks);
}
