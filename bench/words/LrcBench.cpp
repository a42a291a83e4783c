// Reading a 1,000-line timing file (time tags, a quarter of them repeated, every tenth with word tags,
// as UTF-8 and as Windows-1251), and matching it to 1,000 lines of words.
// Run: ./build/bench/words/lrc_bench [runs=200]
#include "Lrc.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace sarvel;

namespace {

QString lineText(int i) {
    return QStringLiteral("Строка номер %1: во поле берёза стояла, во поле кудрявая стояла").arg(i);
}

QByteArray timingFile(int lines) {
    QString text = QStringLiteral("[ti:Bench]\n[ar:Sarvel]\n[offset:+120]\n");
    for (int i = 0; i < lines; ++i) {
        const int ms = 1000 + i * 2500;
        auto tag = [](int t) {
            return QStringLiteral("%1:%2.%3")
                .arg(t / 60000, 2, 10, QChar(u'0'))
                .arg(t / 1000 % 60, 2, 10, QChar(u'0'))
                .arg(t / 10 % 100, 2, 10, QChar(u'0'));
        };
        text += u'[' + tag(ms) + u']';
        if (i % 4 == 0)
            text += u'[' + tag(ms + 3000000) + u']';
        if (i % 10 == 0) {
            const QStringList words = lineText(i).split(u' ');
            for (int w = 0; w < words.size(); ++w)
                text += u'<' + tag(ms + w * 200) + u'>' + words[w] + u' ';
            text += u'<' + tag(ms + int(words.size()) * 200) + QStringLiteral(">\n");
        } else {
            text += lineText(i) + u'\n';
        }
    }
    return text.toUtf8();
}

// The text's ASCII and Russian letters in Windows-1251.
QByteArray toCp1251(const QString& text) {
    QByteArray bytes;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        bytes += u < 0x80                   ? char(u)
                 : u >= 0x410 && u <= 0x44F ? char(0xC0 + (u - 0x410))
                 : u == 0x451               ? char(0xB8)
                 : u == 0x401               ? char(0xA8)
                                            : '?';
    }
    return bytes;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <class F> double medianMs(int runs, F&& f) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    return median(ms);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    constexpr int lines = 1000;
    const QByteArray utf8 = timingFile(lines);
    const QByteArray cp1251 = toCp1251(QString::fromUtf8(utf8));

    std::size_t read = 0;
    const double utf8Ms = medianMs(runs, [&] { read = parseLrc(utf8).lines.size(); });
    std::printf("parse %d-line LRC, UTF-8 (%lld bytes, %zu lines read): median %.3f ms (target <= 2 ms)\n",
                lines, qint64(utf8.size()), read, utf8Ms);
    const double cpMs = medianMs(runs, [&] { read = parseLrc(cp1251).lines.size(); });
    std::printf(
        "parse %d-line LRC, Windows-1251 (%lld bytes, %zu lines read): median %.3f ms (target <= 2 ms)\n",
        lines, qint64(cp1251.size()), read, cpMs);

    QStringList shown;
    for (int i = 0; i < lines; ++i)
        shown << lineText(i) << QString();
    QTextDocument doc;
    doc.setPlainText(shown.join(u'\n'));
    const Lrc lrc = parseLrc(utf8);
    int matched = 0;
    const double matchMs = medianMs(std::max(10, runs / 10), [&] {
        const std::vector<WordsLine> words = wordsLines(doc);
        const std::vector<int> lineFor = matchLines(lrc, words);
        matched = int(std::count_if(lineFor.begin(), lineFor.end(), [](int l) { return l >= 0; }));
        const LineClock clock(lrc, words, lineFor);
    });
    std::printf(
        "match %d timing lines to %d lines of words (%d matched) and build the clock: median %.3f ms\n",
        lines, int(shown.size()), matched, matchMs);
    return 0;
}
