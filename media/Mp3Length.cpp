#include "Mp3Length.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace sarvel {

namespace {

// LAME's encoder delay (576) plus the decoder delay (529): the padding at the start of every
// Layer III stream that carries no LAME tag saying otherwise.
constexpr std::int64_t DefaultLayer3Delay = 576 + 529;
// How far into a file the first frame is looked for, past any ID3v2 tag.
constexpr qsizetype StartSearchLimit = 64 * 1024;

struct Frame {
    int version = 0; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int layer = 0;   // 1, 2 or 3
    int sampleRate = 0;
    int channels = 0;
    int size = 0;
    int samples = 0;
};

bool sameStream(const Frame& a, const Frame& b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::optional<Frame> parseHeader(const std::uint8_t* p) {
    const std::uint32_t h = bigEndian32(p);
    if ((h >> 21) != 0x7FF)
        return std::nullopt;
    const int version = (h >> 19) & 3;
    const int layerBits = (h >> 17) & 3;
    const int bitrateIndex = (h >> 12) & 0xF;
    const int rateIndex = (h >> 10) & 3;
    if (version == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3 ||
        (h & 3) == 2)
        return std::nullopt;

    static constexpr int kbps[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // MPEG-1 Layer I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // MPEG-1 Layer II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // MPEG-1 Layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},    // MPEG-2/2.5 Layer I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},         // MPEG-2/2.5 Layer II, III
    };
    static constexpr int rates[3] = {44100, 48000, 32000};

    Frame f;
    f.version = version;
    f.layer = 4 - layerBits;
    f.sampleRate = rates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    f.channels = ((h >> 6) & 3) == 3 ? 1 : 2;
    const int table = version == 3 ? f.layer - 1 : (f.layer == 1 ? 3 : 4);
    const int bitrate = kbps[table][bitrateIndex] * 1000;
    const int padding = (h >> 9) & 1;
    if (f.layer == 1) {
        f.size = (12 * bitrate / f.sampleRate + padding) * 4;
        f.samples = 384;
    } else if (f.layer == 2 || version == 3) {
        f.size = 144 * bitrate / f.sampleRate + padding;
        f.samples = 1152;
    } else {
        f.size = 72 * bitrate / f.sampleRate + padding;
        f.samples = 576;
    }
    return f;
}

class Scanner {
public:
    explicit Scanner(QByteArrayView file)
        : data_(reinterpret_cast<const std::uint8_t*>(file.data())), size_(file.size()) {}

    std::optional<Frame> frameAt(qsizetype pos) const {
        if (pos < 0 || pos + 4 > size_)
            return std::nullopt;
        return parseHeader(data_ + pos);
    }

    // A frame boundary is believed when `confirm` more frames of the same stream follow it,
    // or the frames run exactly to the end of the file.
    bool confirmed(qsizetype pos, const Frame& first, int confirm) const {
        qsizetype next = pos + first.size;
        for (int i = 0; i < confirm; ++i) {
            if (next == size_)
                return true;
            const auto f = frameAt(next);
            if (!f || !sameStream(*f, first))
                return false;
            next += f->size;
        }
        return next <= size_;
    }

    std::optional<qsizetype> findFrame(qsizetype from, qsizetype limit, const Frame* stream,
                                       int confirm) const {
        for (qsizetype pos = from; pos + 4 <= size_ && pos < limit; ++pos) {
            if (data_[pos] != 0xFF)
                continue;
            const auto f = frameAt(pos);
            if (f && (!stream || sameStream(*f, *stream)) && confirmed(pos, *f, confirm))
                return pos;
        }
        return std::nullopt;
    }

    qsizetype skipId3v2(qsizetype pos) const {
        while (pos + 10 <= size_ && std::memcmp(data_ + pos, "ID3", 3) == 0) {
            const std::uint8_t* h = data_ + pos;
            if ((h[6] | h[7] | h[8] | h[9]) & 0x80)
                break;
            const qsizetype body = qsizetype(h[6]) << 21 | qsizetype(h[7]) << 14 | h[8] << 7 | h[9];
            pos += 10 + body + ((h[5] & 0x10) ? 10 : 0);
        }
        return pos;
    }

    bool startsWith(qsizetype pos, const char* tag) const {
        const qsizetype n = qsizetype(std::strlen(tag));
        return pos + n <= size_ && std::memcmp(data_ + pos, tag, size_t(n)) == 0;
    }

    // An Xing/Info or VBRI frame describes the stream and decodes to no audio. For one with a
    // LAME tag, `trim` receives the encoder's delay plus padding in samples.
    bool isInfoFrame(qsizetype pos, const Frame& f, std::optional<std::int64_t>& trim) const {
        if (f.layer != 3)
            return false;
        const int sideInfo = f.version == 3 ? (f.channels == 1 ? 17 : 32) : (f.channels == 1 ? 9 : 17);
        const qsizetype xing = pos + 4 + sideInfo;
        if (startsWith(pos + 36, "VBRI"))
            return true;
        if (!startsWith(xing, "Xing") && !startsWith(xing, "Info"))
            return false;
        if (xing + 8 > size_)
            return true;
        const std::uint32_t flags = bigEndian32(data_ + xing + 4);
        const qsizetype lame = xing + 8 + ((flags & 1) ? 4 : 0) + ((flags & 2) ? 4 : 0) +
                               ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
        if (lame + 24 <= pos + f.size && lame + 24 <= size_ &&
            (startsWith(lame, "LAME") || startsWith(lame, "Lavf") || startsWith(lame, "Lavc"))) {
            const std::uint8_t* d = data_ + lame + 21;
            const int delay = d[0] << 4 | d[1] >> 4;
            const int padding = (d[1] & 0x0F) << 8 | d[2];
            trim = std::int64_t(delay) + padding;
        }
        return true;
    }

    bool atTrailingTag(qsizetype pos) const {
        return startsWith(pos, "TAG") || startsWith(pos, "APETAGEX") || startsWith(pos, "LYRICS") ||
               startsWith(pos, "ID3");
    }

private:
    const std::uint8_t* data_;
    qsizetype size_;
};

} // namespace

std::optional<int> mp3LengthMs(QByteArrayView file) {
    const Scanner scan(file);
    const qsizetype audio = scan.skipId3v2(0);
    const auto start = scan.findFrame(audio, audio + StartSearchLimit, nullptr, 3);
    if (!start)
        return std::nullopt;
    const Frame stream = *scan.frameAt(*start);

    std::optional<std::int64_t> trim;
    std::int64_t samples = 0;
    qsizetype pos = *start;
    if (scan.isInfoFrame(pos, stream, trim))
        pos += stream.size;
    while (true) {
        const auto f = scan.frameAt(pos);
        if (f && sameStream(*f, stream)) {
            if (pos + f->size > file.size())
                break; // a cut-off last frame decodes to nothing
            samples += f->samples;
            pos += f->size;
            continue;
        }
        if (pos + 4 > file.size() || scan.atTrailingTag(pos))
            break;
        // Damaged bytes inside the stream: the decoder skips to the next good frame, and so do we.
        const auto next = scan.findFrame(pos + 1, file.size(), &stream, 1);
        if (!next)
            break;
        pos = *next;
    }

    if (trim)
        samples -= *trim;
    else if (stream.layer == 3)
        samples -= DefaultLayer3Delay;
    if (samples < 0)
        samples = 0;
    return int((samples * 1000 + stream.sampleRate / 2) / stream.sampleRate);
}

} // namespace sarvel
