#include "FuzzSupport.h"
#include "KarLyrics.h"

#include <QStringList>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

using sarvel::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const sarvel::Lrc lrc = sarvel::parseKarLyrics(bytes);

    // The lyrics are shown as the words, one line each, as when a song has no words of its own;
    // every time must mark its own line, and syllables must lie inside it.
    QStringList shown;
    std::vector<int> lineFor;
    for (const sarvel::LrcLine& line : lrc.lines) {
        check(line.times.size() == 1 && line.times[0] >= 0);
        check(line.text == line.text.trimmed());
        for (const sarvel::LrcWord& w : line.words)
            check(w.start >= 0 && w.length > 0 && w.start + w.length <= line.text.size() &&
                  w.time >= line.times[0]);
        lineFor.push_back(int(shown.size()));
        shown << line.text;
    }
    QTextDocument doc;
    doc.setPlainText(shown.join(u'\n'));
    const std::vector<sarvel::WordsLine> words = sarvel::wordsLines(doc);
    const sarvel::LineClock clock(lrc, words, lineFor);
    const int end = doc.characterCount() - 1;
    for (const sarvel::LrcLine& line : lrc.lines)
        for (std::int64_t at : {line.times[0], line.times[0] + 1}) {
            const sarvel::Highlight h = clock.at(at);
            check(h.lineStart >= 0 && h.lineStart <= h.lineEnd && h.lineEnd <= end);
            if (h.wordStart >= 0)
                check(h.lineStart <= h.wordStart && h.wordStart < h.wordEnd && h.wordEnd <= h.lineEnd);
        }
    return 0;
}
