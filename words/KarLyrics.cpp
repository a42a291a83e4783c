#include "KarLyrics.h"

#include "RtfCodePages.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace sarvel {

namespace {

// MIDI files are tens of kilobytes; anything near this is not one.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;
// Times beyond a few centuries come only from damaged files; they are held here so sums can't overflow.
constexpr long double kMaxMs = 1e13L;

struct Cursor {
    const unsigned char* data;
    std::size_t size;
    std::size_t pos = 0;

    std::size_t left() const { return size - pos; }
    bool byte(std::uint32_t& b) {
        if (pos >= size)
            return false;
        b = data[pos++];
        return true;
    }
    // A variable-length number: at most four bytes, as the format allows.
    bool number(std::uint32_t& n) {
        n = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint32_t b = 0;
            if (!byte(b))
                return false;
            n = (n << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }
    bool skip(std::size_t n) {
        if (n > left())
            return false;
        pos += n;
        return true;
    }
};

std::uint32_t bigEndian(const unsigned char* p, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

struct TextEvent {
    std::uint64_t tick;
    std::uint8_t type;
    QByteArray text;
};

struct Track {
    std::vector<TextEvent> texts; // lyric (0x05), text (0x01) and name (0x03) events, in order
};

struct Tempo {
    std::uint64_t tick;
    std::uint32_t usPerQuarter;
};

// Reads one track's events until its end, or until the bytes stop making sense.
void readTrack(Cursor c, Track& track, std::vector<Tempo>& tempos) {
    std::uint64_t tick = 0;
    std::uint32_t running = 0;
    for (;;) {
        std::uint32_t delta = 0;
        std::uint32_t status = 0;
        if (!c.number(delta) || !c.byte(status))
            return;
        tick += delta;
        if (status < 0x80) {
            if (!running)
                return; // a data byte with no status to repeat
            // Running status: the byte read is the event's first data byte.
            const std::size_t rest = (running & 0xF0) == 0xC0 || (running & 0xF0) == 0xD0 ? 0 : 1;
            if (!c.skip(rest))
                return;
            continue;
        }
        if (status < 0xF0) {
            running = status;
            if (!c.skip((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2))
                return;
            continue;
        }
        running = 0; // system exclusive and meta events end running status
        std::uint32_t type = 0;
        if (status == 0xFF && !c.byte(type))
            return;
        if (status != 0xFF && status != 0xF0 && status != 0xF7)
            return; // not an event a file can hold
        std::uint32_t length = 0;
        if (!c.number(length) || length > c.left())
            return;
        const unsigned char* body = c.data + c.pos;
        c.pos += length;
        if (status != 0xFF)
            continue;
        if (type == 0x2F)
            return;
        if (type == 0x51 && length >= 3)
            tempos.push_back({tick, bigEndian(body, 3)});
        else if (type == 0x01 || type == 0x03 || type == 0x05)
            track.texts.push_back({tick, std::uint8_t(type),
                                   QByteArray(reinterpret_cast<const char*>(body), qsizetype(length))});
    }
}

// Ticks to milliseconds by the header's division and the tempo map.
class Clock {
public:
    Clock(std::uint32_t division, std::vector<Tempo> tempos) {
        if (division & 0x8000) {
            // Frames per second (negative, in the high byte) times ticks per frame: no tempo.
            const int fps = -int(std::int8_t(division >> 8));
            const int perFrame = int(division & 0xFF);
            if (fps > 0 && perFrame > 0)
                ticksPerMs_ = fps * perFrame / 1000.0L;
            return;
        }
        if (division == 0)
            return;
        division_ = division;
        std::stable_sort(tempos.begin(), tempos.end(),
                         [](const Tempo& a, const Tempo& b) { return a.tick < b.tick; });
        segments_.push_back({0, 0, 500000}); // 120 beats a minute until told otherwise
        for (const Tempo& t : tempos) {
            Segment& last = segments_.back();
            const long double ms = msIn(last, t.tick);
            if (t.tick == last.tick)
                last.usPerQuarter = t.usPerQuarter;
            else
                segments_.push_back({t.tick, ms, t.usPerQuarter});
        }
    }
    bool valid() const { return division_ > 0 || ticksPerMs_ > 0; }

    std::int64_t ms(std::uint64_t tick) const {
        if (ticksPerMs_ > 0)
            return std::int64_t(std::min(kMaxMs, tick / ticksPerMs_));
        const auto after = std::upper_bound(segments_.begin(), segments_.end(), tick,
                                            [](std::uint64_t t, const Segment& s) { return t < s.tick; });
        return std::int64_t(msIn(*(after - 1), tick));
    }

private:
    struct Segment {
        std::uint64_t tick;
        long double ms; // at its start
        std::uint32_t usPerQuarter;
    };
    long double msIn(const Segment& s, std::uint64_t tick) const {
        const long double ms = s.ms + (tick - s.tick) * (long double)s.usPerQuarter / (division_ * 1000.0L);
        return std::min(kMaxMs, ms);
    }

    std::uint32_t division_ = 0;
    long double ticksPerMs_ = 0;
    std::vector<Segment> segments_;
};

// Lines built syllable by syllable.
class LineBuilder {
public:
    explicit LineBuilder(Lrc& lrc) : lrc_(lrc) {}

    void syllable(std::int64_t time, QStringView piece) {
        int start = int(text_.size());
        text_ += piece;
        int end = int(text_.size());
        while (start < end && text_[start].isSpace())
            ++start;
        while (end > start && text_[end - 1].isSpace())
            --end;
        if (start == end)
            return;
        if (time_ < 0)
            time_ = time;
        words_.push_back({time, start, end - start});
    }
    void newLine() {
        int lead = 0;
        while (lead < text_.size() && text_[lead].isSpace())
            ++lead;
        LrcLine line;
        line.text = text_.sliced(lead).trimmed();
        text_.clear();
        if (line.text.isEmpty()) {
            words_.clear();
            return;
        }
        if (blankBefore_ && !lrc_.lines.empty()) {
            // Stanzas are set apart by an empty line timed with the line after it, so it is never
            // the current one.
            lrc_.lines.push_back({QString(), {time_}, {}});
        }
        blankBefore_ = false;
        line.times.push_back(time_);
        for (LrcWord& w : words_)
            w.start -= lead;
        line.words = std::move(words_);
        words_.clear();
        time_ = -1;
        lrc_.lines.push_back(std::move(line));
    }
    void newParagraph() {
        newLine();
        blankBefore_ = true;
    }

private:
    Lrc& lrc_;
    QString text_;
    std::vector<LrcWord> words_;
    std::int64_t time_ = -1;
    bool blankBefore_ = false;
};

bool isBreak(QChar c) {
    return c == u'\\' || c == u'/' || c == u'\r' || c == u'\n';
}

} // namespace

Lrc parseKarLyrics(const QByteArray& bytes) {
    Lrc lrc;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const std::size_t size = std::size_t(bytes.size());
    if (size < 14 || bytes.first(4) != "MThd")
        return lrc;
    const std::uint32_t headerLength = bigEndian(data + 4, 4);
    if (headerLength < 6 || headerLength > size - 8)
        return lrc;
    std::vector<Track> tracks;
    std::vector<Tempo> tempos;
    Cursor c{data, size, 8 + std::size_t(headerLength)};
    while (c.left() >= 8) {
        const bool isTrack = std::equal(data + c.pos, data + c.pos + 4, "MTrk");
        const std::size_t length = std::min<std::size_t>(bigEndian(data + c.pos + 4, 4), c.left() - 8);
        c.pos += 8;
        if (isTrack) {
            tracks.emplace_back();
            readTrack(Cursor{data + c.pos, length}, tracks.back(), tempos);
        }
        c.pos += length;
    }
    const Clock clock(bigEndian(data + 12, 2), std::move(tempos));
    if (!clock.valid())
        return lrc;

    // Lyric events where there are any, from the track with the most; otherwise the karaoke text
    // events of the words track.
    const Track* chosen = nullptr;
    std::uint8_t type = 0x05;
    std::size_t most = 0;
    for (const Track& t : tracks) {
        const auto count = std::size_t(
            std::count_if(t.texts.begin(), t.texts.end(), [](const TextEvent& e) { return e.type == 0x05; }));
        if (count > most) {
            most = count;
            chosen = &t;
        }
    }
    if (!chosen) {
        type = 0x01;
        for (const Track& t : tracks) {
            const auto named = std::find_if(t.texts.begin(), t.texts.end(),
                                            [](const TextEvent& e) { return e.type == 0x03; });
            if (named != t.texts.end() && named->text.trimmed().compare("words", Qt::CaseInsensitive) == 0) {
                chosen = &t;
                break;
            }
        }
        for (const Track& t : tracks) {
            if (chosen)
                break;
            if (std::any_of(t.texts.begin(), t.texts.end(),
                            [](const TextEvent& e) { return e.type == 0x01 && e.text.startsWith('@'); }))
                chosen = &t;
        }
    }
    if (!chosen)
        return lrc;

    // One encoding for all the text: UTF-8 when all of it is, Windows-1251 otherwise.
    QByteArray all;
    for (const TextEvent& e : chosen->texts)
        if (e.type == type)
            all += e.text;
    QStringDecoder probe(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    (void)QString(probe.decode(all));
    const bool utf8 = !probe.hasError();
    RtfCodePages pages;

    LineBuilder lines(lrc);
    for (const TextEvent& e : chosen->texts) {
        if (e.type != type || (type == 0x01 && e.text.startsWith('@')))
            continue;
        QString text;
        if (utf8)
            text = QString::fromUtf8(e.text);
        else
            pages.decode(1251, std::string_view(e.text.constData(), std::size_t(e.text.size())), text);
        for (QChar& ch : text)
            if (ch.unicode() < 0x20 && !isBreak(ch))
                ch = ch == u'\t' ? u' ' : QChar(0);
        text.remove(QChar(0));
        const std::int64_t ms = clock.ms(e.tick);
        qsizetype i = 0;
        while (i < text.size()) {
            if (text[i] == u'\\') {
                lines.newParagraph();
                ++i;
                continue;
            }
            if (isBreak(text[i])) {
                lines.newLine();
                ++i;
                continue;
            }
            qsizetype j = i;
            while (j < text.size() && !isBreak(text[j]))
                ++j;
            lines.syllable(ms, QStringView(text).sliced(i, j - i));
            i = j;
        }
    }
    lines.newLine();
    return lrc;
}

std::optional<Lrc> readKarFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return std::nullopt;
    Lrc lrc = parseKarLyrics(file.readAll());
    if (lrc.lines.empty())
        return std::nullopt;
    return lrc;
}

bool isMidiSongName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    for (const char* s : {"mid", "midi", "kar"})
        if (suffix.compare(QLatin1String(s), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace sarvel
