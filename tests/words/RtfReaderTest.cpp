#include "RtfReader.h"
#include "RtfTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace sarvel;
using namespace sarvel::test;

namespace {

QString fixture(const char* name) {
    return dataFile(QStringLiteral("rtf/") + QLatin1String(name));
}

void load(const char* name, QTextDocument& doc) {
    RtfReader::readFile(fixture(name), doc);
}

const QColor red(255, 0, 0);

} // namespace

// LibreOffice and AbiWord saved the same page: \uN with \'3f or \uc0 fallbacks, \line breaks,
// colour tables with and without an "auto" entry 0, trailing empty paragraphs and \sect.
struct ProducerCase {
    const char* name;
    const char* file;
    double titlePoints;
};

class SameSongFromTwoProducers : public ::testing::TestWithParam<ProducerCase> {};

TEST_P(SameSongFromTwoProducers, TextAndFormatting) {
    QTextDocument doc;
    load(GetParam().file, doc);

    EXPECT_EQ(words(doc),
              QString::fromUtf8("Песня о дороге\n"
                                "Ночь опустилась на тихий перрон,\u2028Поезд уходит в далёкий рассвет.\n"
                                "Припев: Слышишь, гитара звенит в унисон —\u2028"
                                "Всё, что не спето, забыто, вернётся в ответ.\n"
                                "Morning road, it’s “bright” – la-la!"));
    EXPECT_EQ(doc.blockCount(), 4);

    const QTextCharFormat title = formatOf(doc, "Песня о дороге");
    EXPECT_TRUE(isBold(title));
    EXPECT_DOUBLE_EQ(title.fontPointSize(), GetParam().titlePoints);
    EXPECT_EQ(alignmentOf(doc, "Песня о дороге"), Qt::AlignHCenter);

    const QTextCharFormat body = formatOf(doc, "Ночь опустилась на ");
    EXPECT_FALSE(isBold(body));
    EXPECT_FALSE(body.fontUnderline());
    EXPECT_DOUBLE_EQ(body.fontPointSize(), 12.0);
    EXPECT_FALSE(body.hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(alignmentOf(doc, "Ночь"), Qt::AlignLeft);

    EXPECT_TRUE(formatOf(doc, "тихий").fontUnderline());
    EXPECT_TRUE(formatOf(doc, "Припев:").fontItalic());
    EXPECT_EQ(formatOf(doc, "Слышишь, гитара звенит в унисон —").foreground().color(), red);
    EXPECT_TRUE(formatOf(doc, "забыто").fontStrikeOut());
    EXPECT_FALSE(formatOf(doc, ", вернётся").fontStrikeOut());
    EXPECT_TRUE(isBold(formatOf(doc, "road")));
    EXPECT_TRUE(formatOf(doc, "la-la").fontItalic());
    EXPECT_EQ(alignmentOf(doc, "Morning"), Qt::AlignRight);
}

INSTANTIATE_TEST_SUITE_P(RtfProducers, SameSongFromTwoProducers,
                         ::testing::Values(ProducerCase{"LibreOffice", "libreoffice_song.rtf", 18.0},
                                           ProducerCase{"AbiWord", "abiword_song.rtf", 16.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RtfProducers, Pandoc) {
    QTextDocument doc;
    load("pandoc_song.rtf", doc);
    EXPECT_EQ(words(doc), QString::fromUtf8("Morning Road\n"
                                            "The kettle sings, the window’s grey,\u2028"
                                            "I’ll take the evening morning road today.\n"
                                            "Припев: Ночь опустилась на тихий перрон,\u2028"
                                            "«Поезд уходит» — в далёкий рассвет.\n"
                                            "Ёлка & café — 50 €"));
    const QTextCharFormat heading = formatOf(doc, "Morning Road");
    EXPECT_TRUE(isBold(heading));
    EXPECT_DOUBLE_EQ(heading.fontPointSize(), 18.0);
    EXPECT_TRUE(formatOf(doc, "kettle").fontItalic());
    EXPECT_FALSE(formatOf(doc, " sings, the ").fontItalic());
    EXPECT_TRUE(isBold(formatOf(doc, "window’s")));
    EXPECT_TRUE(formatOf(doc, "evening").fontStrikeOut());
    EXPECT_TRUE(isBold(formatOf(doc, "Припев:")));
    EXPECT_TRUE(formatOf(doc, "Ночь опустилась").fontItalic());
    EXPECT_TRUE(formatOf(doc, "Ёлка").fontUnderline());
    EXPECT_EQ(formatOf(doc, "café").fontFamilies().toStringList(), QStringList{"Helvetica"});
}

TEST(RtfProducers, WordPad10Cp1251) {
    QTextDocument doc;
    load("wordpad10_cp1251.rtf", doc);
    EXPECT_EQ(words(doc),
              QString::fromUtf8("Песня о дороге\n"
                                "Ночь опустилась на тихий перрон,\u2028Поезд уходит в далёкий рассвет.\n"
                                "•\tПрипев: ♪ ля-ля, «дорога» — 😀\n"
                                "старое новое мелко"));
    const QTextCharFormat title = formatOf(doc, "Песня о дороге");
    EXPECT_TRUE(isBold(title));
    EXPECT_DOUBLE_EQ(title.fontPointSize(), 14.0);
    EXPECT_EQ(title.fontFamilies().toStringList(), QStringList{"Calibri"});
    EXPECT_EQ(alignmentOf(doc, "Песня"), Qt::AlignHCenter);

    EXPECT_FALSE(isBold(formatOf(doc, "Ночь ")));
    EXPECT_DOUBLE_EQ(formatOf(doc, "Ночь ").fontPointSize(), 11.0);
    EXPECT_TRUE(formatOf(doc, "опустилась").fontItalic());
    EXPECT_TRUE(formatOf(doc, "тихий").fontUnderline());
    EXPECT_FALSE(formatOf(doc, " перрон").fontUnderline());
    EXPECT_EQ(formatOf(doc, "Припев:").foreground().color(), red);
    EXPECT_FALSE(formatOf(doc, " ♪").hasProperty(QTextFormat::ForegroundBrush)); // \cf0 is "auto"
    EXPECT_TRUE(formatOf(doc, "старое").fontStrikeOut());
    EXPECT_DOUBLE_EQ(formatOf(doc, "мелко").fontPointSize(), 8.0);
    EXPECT_EQ(alignmentOf(doc, "старое"), Qt::AlignRight);

    // The bullet paragraph keeps its hanging indent (720 and -360 twips).
    const QTextBlockFormat bullet = blockOf(doc, "Припев").blockFormat();
    EXPECT_DOUBLE_EQ(bullet.leftMargin(), 48.0);
    EXPECT_DOUBLE_EQ(bullet.textIndent(), -24.0);
}

TEST(RtfProducers, WordPadXpTakesCodePagesFromCharsets) {
    QTextDocument doc;
    load("wordpadxp_fcharset.rtf", doc);
    // cp1251 from \fcharset204, cp1252 from \fcharset0, cp866 from the OEM charset.
    EXPECT_EQ(words(doc), QString::fromUtf8("Привет, café naïve и ёлка\nДОС-текст"));
    EXPECT_EQ(formatOf(doc, "Привет").fontFamilies().toStringList(), QStringList{"Arial CYR"});
    EXPECT_EQ(formatOf(doc, "café").fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_DOUBLE_EQ(formatOf(doc, "ёлка").fontPointSize(), 10.0);
}

TEST(RtfProducers, WordShowsOnlyTheBody) {
    QTextDocument doc;
    load("word_style.rtf", doc);
    EXPECT_EQ(words(doc), QString::fromUtf8("Песня о дороге\n"
                                            "Ночь опустилась на тихий перрон – «поезд» — вдаль.\n"
                                            "•\tСайт: ссылка жёлтый\n"
                                            "после картинки объектあいう 😀"));
    const QTextCharFormat title = formatOf(doc, "Песня о дороге");
    EXPECT_TRUE(isBold(title));
    EXPECT_DOUBLE_EQ(title.fontPointSize(), 16.0);
    EXPECT_EQ(alignmentOf(doc, "Песня"), Qt::AlignHCenter);
    EXPECT_EQ(alignmentOf(doc, "перрон"), Qt::AlignJustify);
    EXPECT_TRUE(formatOf(doc, "«поезд»").fontItalic());
    EXPECT_FALSE(formatOf(doc, " — вдаль.").fontItalic());

    const QTextCharFormat link = formatOf(doc, "ссылка"); // the field's result, in its own style
    EXPECT_TRUE(link.fontUnderline());
    EXPECT_EQ(link.foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(formatOf(doc, "жёлтый").background().color(), QColor(255, 255, 0));
    EXPECT_TRUE(isBold(formatOf(doc, "объект")));
    EXPECT_EQ(formatOf(doc, "あい").fontFamilies().toStringList(), QStringList{"MS Gothic"});
}

TEST(RtfProducers, MacTextEdit) {
    QTextDocument doc;
    load("macos_style.rtf", doc);
    EXPECT_EQ(words(doc), QString::fromUtf8("Morning Road\nThe kettle sings — Ночь и чай\nred line\ncafé 😊"));
    EXPECT_TRUE(isBold(formatOf(doc, "Morning Road")));
    EXPECT_EQ(formatOf(doc, "Morning Road").fontFamilies().toStringList(), QStringList{"Helvetica-Bold"});
    EXPECT_EQ(alignmentOf(doc, "Morning Road"), Qt::AlignHCenter);
    EXPECT_EQ(alignmentOf(doc, "kettle"), Qt::AlignLeft);
    EXPECT_EQ(formatOf(doc, "red line").foreground().color(), QColor(251, 2, 7));
    EXPECT_FALSE(formatOf(doc, "café").hasProperty(QTextFormat::ForegroundBrush));
}

// Typeset from LaTeX: the formatting lives in the style sheet, and a centred line is a group
// closed before its paragraph mark.
TEST(RtfProducers, LatexStylesAndGroupedAlignment) {
    QTextDocument doc;
    load("latex_style.rtf", doc);
    EXPECT_EQ(words(doc), QString::fromUtf8("Дорога\nНочь опустилась\nПрипев: слышишь\nКонец"));
    const QTextCharFormat title = formatOf(doc, "Дорога");
    EXPECT_TRUE(isBold(title));
    EXPECT_DOUBLE_EQ(title.fontPointSize(), 16.0);
    EXPECT_EQ(alignmentOf(doc, "Дорога"), Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(formatOf(doc, "Ночь").fontPointSize(), 12.0);

    const QTextCharFormat chorus = formatOf(doc, "Припев: ");
    EXPECT_DOUBLE_EQ(chorus.fontPointSize(), 10.0);
    EXPECT_TRUE(chorus.fontItalic());
    EXPECT_FALSE(isBold(chorus));
    EXPECT_DOUBLE_EQ(blockOf(doc, "Припев").blockFormat().leftMargin(), 48.0);
    const QTextCharFormat refrain = formatOf(doc, "слышишь"); // a character style on top
    EXPECT_TRUE(isBold(refrain));
    EXPECT_TRUE(refrain.fontItalic());
    EXPECT_DOUBLE_EQ(refrain.fontPointSize(), 10.0);

    EXPECT_EQ(alignmentOf(doc, "Конец"), Qt::AlignHCenter);
}

TEST(RtfPlainText, FilesThatAreNotRtf) {
    QTextDocument doc;
    load("plain_utf8.rtf", doc);
    EXPECT_EQ(doc.toPlainText(),
              QString::fromUtf8(
                  "Ночь опустилась на тихий перрон,\nПоезд уходит в далёкий рассвет.\nSecond verse: café"));
    EXPECT_EQ(doc.blockCount(), 3);

    load("plain_cp1251.rtf", doc); // not valid UTF-8: Windows-1251
    EXPECT_EQ(doc.toPlainText(),
              QString::fromUtf8("Ночь опустилась на тихий перрон,\nПоезд уходит — «в рассвет»."));
}

TEST(RtfPlainText, Detection) {
    EXPECT_TRUE(RtfReader::isRtf("{\\rtf1 x}"));
    EXPECT_TRUE(RtfReader::isRtf("\xEF\xBB\xBF \r\n\t{\\rtf1 x}"));
    EXPECT_FALSE(RtfReader::isRtf("{\\rt"));
    EXPECT_FALSE(RtfReader::isRtf("x{\\rtf1 x}"));
    EXPECT_FALSE(RtfReader::isRtf(""));

    EXPECT_EQ(readWords("\xEF\xBB\xBF\r\n{\\rtf1 words}"), "words");
    EXPECT_EQ(readWords("{\\rtf"), "");
    EXPECT_EQ(readWords("{\\rt1 not rtf}"), "{\\rt1 not rtf}");
    EXPECT_EQ(readWords("\xEF\xBB\xBFline one\rline two\r\n\r\n"), "line one\nline two");
    EXPECT_EQ(readWords(QByteArray("\xFF\xFEh\0i\0", 6)), "hi");
}

TEST(RtfPlainText, ReplacesEarlierContent) {
    QTextDocument doc;
    RtfReader::read("{\\rtf1 {\\b first}\\par second}", doc);
    RtfReader::read("third", doc);
    EXPECT_EQ(doc.toPlainText(), "third");
    EXPECT_FALSE(isBold(formatOf(doc, "third")));
    RtfReader::read("{\\rtf1 fourth}", doc);
    EXPECT_EQ(doc.toPlainText(), "fourth");
    EXPECT_EQ(doc.blockCount(), 1);
}

TEST(RtfFile, UnreadableFileKeepsTheDocument) {
    QTemporaryDir dir;
    QTextDocument doc;
    doc.setPlainText("old words");

    const QString missing = dir.filePath("missing.rtf");
    try {
        RtfReader::readFile(missing, doc);
        FAIL() << "no error for a missing file";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), "Cannot open file " + missing);
    }
    EXPECT_THROW(RtfReader::readFile(dir.path(), doc), std::runtime_error); // a folder
    EXPECT_EQ(doc.toPlainText(), "old words");
}

TEST(RtfFile, UndoStaysAsItWas) {
    QTextDocument doc;
    ASSERT_TRUE(doc.isUndoRedoEnabled());
    load("wordpad10_cp1251.rtf", doc);
    EXPECT_TRUE(doc.isUndoRedoEnabled());
    EXPECT_FALSE(doc.isUndoAvailable()); // loading is not an edit the user can undo
}
