// Loading time of the words reader: median of repeated loads of a generated 200 KB Russian and
// English RTF with formatting (WordPad-style \'hh escapes, and \uN escapes as LibreOffice writes),
// plus any RTF files named on the command line.
// Run: ./build/bench/playback/rtf_bench [file.rtf ...]

#include "RtfReader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using sarvel::RtfReader;

namespace {

constexpr int runs = 31;
constexpr qsizetype targetSize = 200 * 1024;

const char* const russian[] = {
    "Ночь опустилась на тихий перрон,",
    "Поезд уходит в далёкий рассвет.",
    "Слышишь, гитара звенит в унисон —",
    "Всё, что не спето, вернётся в ответ.",
};
const char* const english[] = {
    "The kettle sings, the window's grey,",
    "I'll take the morning road today,",
    "And every mile I leave behind",
    "Is one more song to keep in mind.",
};

QByteArray escapeCp1251(const QString& s) {
    QByteArray out;
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            out += char(u);
        else if (u >= 0x410 && u <= 0x44F) // А..я sit in one block of cp1251
            out += "\\'" + QByteArray::number(u - 0x410 + 0xC0, 16);
        else if (u == 0x401 || u == 0x451)
            out += u == 0x401 ? "\\'a8" : "\\'b8";
        else
            out += "\\u" + QByteArray::number(int(u)) + "?";
    }
    return out;
}

QByteArray escapeUnicode(const QString& s) {
    QByteArray out;
    for (const QChar c : s) {
        if (c.unicode() < 0x80)
            out += char(c.unicode());
        else
            out += "\\u" + QByteArray::number(int(c.unicode())) + "\\'3f";
    }
    return out;
}

QByteArray generate(QByteArray (*escape)(const QString&)) {
    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\nouicompat\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204 "
        "Calibri;}{\\f1\\fnil\\fcharset0 Arial;}}\r\n{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green77"
        "\\blue187;}\r\n{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n";
    for (int stanza = 0; rtf.size() < targetSize; ++stanza) {
        rtf += "\\pard\\sa200\\sl276\\slmult1\\qc\\b\\f0\\fs28 " + escape(QString::fromUtf8("Куплет ")) +
               QByteArray::number(stanza + 1) + "\\b0\\fs22\\par\r\n\\pard\\sa200\\sl276\\slmult1 ";
        for (int line = 0; line < 4; ++line) {
            const QString words = QString::fromUtf8(russian[line]);
            const qsizetype cut = words.indexOf(' ');
            rtf += "{\\i " + escape(words.left(cut)) + "}" + escape(words.mid(cut)) + "\\line ";
        }
        rtf += "\\par\r\n\\cf1\\ul " + escape(QString::fromUtf8("Припев:")) + "\\ulnone\\cf0  \\f1 ";
        for (int line = 0; line < 4; ++line)
            rtf += escape(QString::fromUtf8(english[line])) + (line == 1 ? "\\strike  old\\strike0 " : "") +
                   "\\line ";
        rtf += "\\f0\\par\r\n";
    }
    return rtf + "}";
}

struct Figures {
    double median;
    double best;
};

template <class Load> Figures measure(Load load) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        load();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

void report(const char* name, const QByteArray& rtf, QTextEdit& pane) {
    QTextDocument doc;
    const Figures alone = measure([&] { RtfReader::read(rtf, doc); });

    // The way to fill a shown pane: a fresh document handed over with setDocument(), then one
    // pass of the event loop (the pane lays out the rest of the text lazily, in idle time).
    std::unique_ptr<QTextDocument> current;
    const Figures swapped = measure([&] {
        auto next = std::make_unique<QTextDocument>();
        RtfReader::read(rtf, *next);
        pane.setDocument(next.get());
        current = std::move(next);
        QApplication::processEvents();
    });

    // For comparison: filling the shown pane's own document drags its cursor to the end, which
    // makes the pane lay out the whole text at once.
    QTextEdit direct;
    direct.resize(pane.size());
    direct.show();
    const Figures inPlace = measure([&] {
        RtfReader::read(rtf, *direct.document());
        QApplication::processEvents();
    });
    std::printf("%-30s %6.1f KB %6d chars | document %6.2f ms (best %6.2f) | shown pane %6.2f ms (best %6.2f)"
                " | pane's own document %6.2f ms\n",
                name, rtf.size() / 1024.0, int(doc.characterCount()), alone.median, alone.best,
                swapped.median, swapped.best, inPlace.median);
    pane.setDocument(nullptr);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextEdit pane;
    pane.resize(1000, 700);
    pane.show();

    std::printf("median of %d loads; target: 200 KB shown in <= 20 ms\n", runs);
    report("generated, \\'hh (WordPad)", generate(escapeCp1251), pane);
    report("generated, \\uN (LibreOffice)", generate(escapeUnicode), pane);
    for (int i = 1; i < argc; ++i) {
        QFile file(QString::fromLocal8Bit(argv[i]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "Cannot open file %s\n", argv[i]);
            return 1;
        }
        report(qPrintable(QFileInfo(file).fileName()), file.readAll(), pane);
    }
    return 0;
}
