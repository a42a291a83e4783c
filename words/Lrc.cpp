#include "Lrc.h"

#include "RtfCodePages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace sarvel {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Digits [from, to) as a number; -1 when any is not a digit or there are none.
std::int64_t number(QStringView s) {
    if (s.isEmpty() || s.size() > 6)
        return -1;
    std::int64_t n = 0;
    for (QChar c : s) {
        if (!isDigit(c))
            return -1;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

// "mm:ss", "mm:ss.x", "mm:ss.xx", "mm:ss.xxx" (a colon before the fraction is seen too) in ms; -1 if not a
// time.
std::int64_t parseTime(QStringView s) {
    const qsizetype colon = s.indexOf(u':');
    if (colon <= 0)
        return -1;
    const std::int64_t minutes = number(s.first(colon));
    QStringView rest = s.sliced(colon + 1);
    qsizetype dot = rest.indexOf(u'.');
    if (dot < 0)
        dot = rest.indexOf(u':');
    const std::int64_t seconds = number(dot < 0 ? rest : rest.first(dot));
    if (minutes < 0 || seconds < 0 || seconds > 59 || (dot < 0 ? rest : rest.first(dot)).size() > 2)
        return -1;
    std::int64_t ms = (minutes * 60 + seconds) * 1000;
    if (dot >= 0) {
        const QStringView fraction = rest.sliced(dot + 1);
        const std::int64_t f = number(fraction);
        if (f < 0 || fraction.size() > 3)
            return -1;
        ms += fraction.size() == 1 ? f * 100 : fraction.size() == 2 ? f * 10 : f;
    }
    return ms;
}

// The words of a line with its <mm:ss.xx> tags taken out, and where each tagged word starts.
void readWordTags(QStringView raw, LrcLine& line) {
    QString text;
    text.reserve(raw.size());
    std::vector<LrcWord> words;
    qsizetype i = 0;
    while (i < raw.size()) {
        if (raw[i] == u'<') {
            const qsizetype close = raw.indexOf(u'>', i + 1);
            const std::int64_t t = close < 0 ? -1 : parseTime(raw.sliced(i + 1, close - i - 1));
            if (t >= 0) {
                words.push_back({t, int(text.size()), 0});
                i = close + 1;
                continue;
            }
        }
        text += raw[i++];
    }
    // A word runs to the next tag; leading and trailing spaces are not part of it.
    for (std::size_t w = 0; w < words.size(); ++w) {
        int start = words[w].start;
        int end = w + 1 < words.size() ? words[w + 1].start : int(text.size());
        while (start < end && text[start].isSpace())
            ++start;
        while (end > start && text[end - 1].isSpace())
            --end;
        words[w].start = start;
        words[w].length = end - start;
    }
    // The line's text is trimmed; word starts follow it.
    int lead = 0;
    while (lead < text.size() && text[lead].isSpace())
        ++lead;
    line.text = text.sliced(lead).trimmed();
    for (LrcWord& w : words) {
        w.start = std::clamp(w.start - lead, 0, int(line.text.size()));
        w.length = std::clamp(w.length, 0, int(line.text.size()) - w.start);
    }
    line.words = std::move(words);
}

void readLine(QStringView raw, Lrc& lrc) {
    LrcLine line;
    QStringView rest = raw.trimmed();
    while (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return; // malformed: no line
        const QStringView tag = rest.sliced(1, close - 1);
        const std::int64_t t = parseTime(tag);
        if (t >= 0) {
            line.times.push_back(t);
        } else {
            const qsizetype colon = tag.indexOf(u':');
            const QStringView key = colon > 0 ? tag.first(colon).trimmed() : QStringView();
            if (!line.times.empty() || key.isEmpty() ||
                !std::all_of(key.begin(), key.end(), [](QChar c) { return c.isLetter(); }))
                return; // not a time, not an ID tag: a malformed line
            if (key.compare(u"offset", Qt::CaseInsensitive) == 0) {
                bool ok = false;
                const int offset = tag.sliced(colon + 1).trimmed().toInt(&ok);
                if (ok)
                    lrc.offset = offset;
            }
        }
        rest = rest.sliced(close + 1);
    }
    if (line.times.empty())
        return;
    readWordTags(rest, line);
    lrc.lines.push_back(std::move(line));
}

} // namespace

Lrc parseLrc(const QByteArray& bytes) {
    Lrc lrc;
    const QString text = decodeUtf8OrCp1251(bytes);
    for (QStringView line : QStringView(text).tokenize(u'\n'))
        readLine(line, lrc);
    return lrc;
}

std::optional<Lrc> readLrcFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseLrc(file.readAll());
}

QString findTimingFile(const QString& wordsPath, const QString& songPath) {
    for (const QString& path : {wordsPath, songPath}) {
        if (path.isEmpty())
            continue;
        const QFileInfo info(path);
        const QString wanted = info.completeBaseName() + QStringLiteral(".lrc");
        const QDir dir = info.absoluteDir();
        if (QFileInfo(dir.filePath(wanted)).isFile())
            return dir.filePath(wanted);
        const QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
        for (const QString& name : names)
            if (name.compare(wanted, Qt::CaseInsensitive) == 0)
                return dir.filePath(name);
    }
    return {};
}

std::vector<WordsLine> wordsLines(const QTextDocument& doc) {
    std::vector<WordsLine> lines;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QString text = b.text();
        int from = 0;
        for (;;) {
            const int brk = int(text.indexOf(QChar::LineSeparator, from));
            lines.push_back({b.position() + from, text.mid(from, brk < 0 ? -1 : brk - from)});
            if (brk < 0)
                break;
            from = brk + 1;
        }
    }
    return lines;
}

QString matchKey(QStringView text) {
    QString key;
    key.reserve(text.size());
    for (QChar c : text)
        if (c.isLetterOrNumber())
            key += c.toCaseFolded();
    return key;
}

// Of all in-order matchings, one with the most lines matched and, among those, the most matched
// neighbours (two timing lines matched in turn to words lines that follow each other, blank words
// lines aside); the earliest of equals. So a title that shares its letters with the first sung line
// is passed over for the verse that goes on with the next line, and a chorus the timing file gives
// once goes to the first of its repeats, not a later one. Table sizes beyond kMaxCells fall back to
// taking the first match in turn.
std::vector<int> matchLines(const Lrc& lrc, const std::vector<WordsLine>& words) {
    constexpr std::size_t kMaxCells = std::size_t(1) << 22;
    std::vector<QString> keys; // words lines with letters or digits
    std::vector<int> keyLine;
    for (std::size_t k = 0; k < words.size(); ++k) {
        QString key = matchKey(words[k].text);
        if (key.isEmpty())
            continue;
        keys.push_back(std::move(key));
        keyLine.push_back(int(k));
    }
    std::vector<QString> timed; // timing lines with letters or digits
    std::vector<int> timedLine;
    for (std::size_t i = 0; i < lrc.lines.size(); ++i) {
        QString key = matchKey(lrc.lines[i].text);
        if (key.isEmpty())
            continue;
        timed.push_back(std::move(key));
        timedLine.push_back(int(i));
    }
    std::vector<int> lineFor(lrc.lines.size(), -1);
    const std::size_t n = timed.size();
    const std::size_t m = keys.size();
    if (n == 0 || m == 0)
        return lineFor;
    if (n * m > kMaxCells / 2) {
        std::size_t next = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const auto found = std::find(keys.begin() + next, keys.end(), timed[i]);
            if (found == keys.end())
                continue;
            next = std::size_t(found - keys.begin());
            lineFor[timedLine[i]] = keyLine[next++];
        }
        return lineFor;
    }
    // best(i, j, a): the best score for timing lines i.. and words lines j.., a telling whether the
    // last match was words line j - 1 (so matching j now makes neighbours). Filled from the end.
    struct Score {
        int matched = 0;
        int neighbours = 0;
        bool operator<(const Score& o) const {
            return matched != o.matched ? matched < o.matched : neighbours < o.neighbours;
        }
    };
    enum Step : std::uint8_t { SkipTimed, SkipWords, Match };
    std::vector<Step> step(n * m * 2);
    const auto at = [&](std::size_t i, std::size_t j, int a) -> Step& { return step[(i * m + j) * 2 + a]; };
    std::vector<Score> next((m + 1) * 2), row((m + 1) * 2); // row i + 1 and row i, by (j, a)
    for (std::size_t i = n; i-- > 0;) {
        row[m * 2] = row[m * 2 + 1] = {};
        for (std::size_t j = m; j-- > 0;) {
            for (int a = 0; a < 2; ++a) {
                Score best = next[j * 2 + a];
                Step chosen = SkipTimed;
                if (best < row[(j + 1) * 2]) {
                    best = row[(j + 1) * 2];
                    chosen = SkipWords;
                }
                if (timed[i] == keys[j]) {
                    Score match = next[(j + 1) * 2 + 1];
                    ++match.matched;
                    match.neighbours += a;
                    if (!(match < best)) {
                        best = match;
                        chosen = Match;
                    }
                }
                row[j * 2 + a] = best;
                at(i, j, a) = chosen;
            }
        }
        std::swap(row, next);
    }
    std::size_t i = 0;
    std::size_t j = 0;
    int a = 0;
    while (i < n && j < m) {
        switch (at(i, j, a)) {
        case SkipTimed:
            ++i;
            break;
        case SkipWords:
            ++j;
            a = 0;
            break;
        case Match:
            lineFor[timedLine[i++]] = keyLine[j++];
            a = 1;
            break;
        }
    }
    return lineFor;
}

LineClock::LineClock(const Lrc& lrc, const std::vector<WordsLine>& words, const std::vector<int>& lineFor)
    : offset_(lrc.offset) {
    for (std::size_t i = 0; i < lrc.lines.size() && i < lineFor.size(); ++i) {
        const LrcLine& line = lrc.lines[i];
        // A time with no words is an instrumental break: nothing is sung until the next line.
        if (line.text.trimmed().isEmpty()) {
            for (std::int64_t t : line.times)
                cues_.push_back({t, -1, 0});
            continue;
        }
        if (lineFor[i] < 0 || std::size_t(lineFor[i]) >= words.size())
            continue;
        const WordsLine& shown = words[lineFor[i]];
        Entry entry{shown.start, shown.start + int(shown.text.size()), {}};
        // A word is found in the shown line by its letters and digits, which both lines share.
        std::vector<int> shownAt;
        for (int k = 0; k < shown.text.size(); ++k)
            if (shown.text[k].isLetterOrNumber())
                shownAt.push_back(k);
        for (const LrcWord& w : line.words) {
            int before = 0;
            int inside = 0;
            for (int k = 0; k < w.start + w.length && k < line.text.size(); ++k)
                if (line.text[k].isLetterOrNumber())
                    ++(k < w.start ? before : inside);
            if (inside > 0 && before + inside <= int(shownAt.size()))
                entry.words.push_back(
                    {w.time, shown.start + shownAt[before], shown.start + shownAt[before + inside - 1] + 1});
            else
                entry.words.push_back({w.time, 0, 0});
        }
        const std::int64_t first = *std::min_element(line.times.begin(), line.times.end());
        for (std::int64_t t : line.times)
            cues_.push_back({t, int(entries_.size()), t - first});
        entries_.push_back(std::move(entry));
    }
    std::stable_sort(cues_.begin(), cues_.end(), [](const Cue& a, const Cue& b) { return a.time < b.time; });
}

Highlight LineClock::at(std::int64_t positionMs) const {
    const std::int64_t t = positionMs + offset_;
    const auto after = std::upper_bound(cues_.begin(), cues_.end(), t,
                                        [](std::int64_t v, const Cue& c) { return v < c.time; });
    if (after == cues_.begin())
        return {};
    const Cue& cue = *(after - 1);
    if (cue.entry < 0)
        return {};
    const Entry& entry = entries_[cue.entry];
    Highlight h{entry.start, entry.end, -1, -1};
    const Word* current = nullptr;
    for (const Word& w : entry.words)
        if (w.time + cue.shift <= t)
            current = &w;
    if (current && current->end > current->start) {
        h.wordStart = current->start;
        h.wordEnd = current->end;
    }
    return h;
}

} // namespace sarvel
