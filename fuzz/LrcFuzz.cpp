#include "FuzzSupport.h"
#include "Lrc.h"

#include <QStringList>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

using sarvel::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const sarvel::Lrc lrc = sarvel::parseLrc(bytes);

    // The words are the timing file's own lines, every other one left out, so the matcher both
    // finds lines and skips them.
    QStringList shown;
    for (std::size_t i = 0; i < lrc.lines.size(); ++i) {
        const sarvel::LrcLine& line = lrc.lines[i];
        check(!line.times.empty());
        for (const sarvel::LrcWord& w : line.words)
            check(w.start >= 0 && w.length >= 0 && w.start + w.length <= line.text.size());
        if (i % 2 == 0)
            shown << line.text;
    }
    QTextDocument doc;
    doc.setPlainText(shown.join(u'\n'));
    const std::vector<sarvel::WordsLine> words = sarvel::wordsLines(doc);
    const std::vector<int> lineFor = sarvel::matchLines(lrc, words);
    check(lineFor.size() == lrc.lines.size());
    int last = -1;
    for (int l : lineFor) {
        check(l < int(words.size()));
        if (l >= 0) {
            check(l > last); // never back
            last = l;
        }
    }
    const sarvel::LineClock clock(lrc, words, lineFor);
    const int end = doc.characterCount() - 1;
    for (const sarvel::LrcLine& line : lrc.lines)
        for (std::int64_t t : line.times)
            for (std::int64_t at : {t - lrc.offset, t - lrc.offset + 1, t - lrc.offset - 1}) {
                const sarvel::Highlight h = clock.at(at);
                if (h.lineStart < 0)
                    continue;
                check(h.lineStart <= h.lineEnd && h.lineEnd <= end);
                if (h.wordStart >= 0)
                    check(h.lineStart <= h.wordStart && h.wordStart < h.wordEnd && h.wordEnd <= h.lineEnd);
            }
    return 0;
}
