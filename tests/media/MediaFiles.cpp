#include "MediaFiles.h"

#include <QFile>
#include <QtEndian>

#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <tuple>

namespace sarvel::test {

namespace {

void put16(QByteArray& out, std::uint16_t v) {
    out.append(char(v & 0xFF)).append(char(v >> 8));
}
void put32(QByteArray& out, std::uint32_t v) {
    put16(out, std::uint16_t(v & 0xFFFF));
    put16(out, std::uint16_t(v >> 16));
}
void putBig32(QByteArray& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((v >> shift) & 0xFF));
}
void putVarLen(QByteArray& out, std::uint32_t v) {
    QByteArray bytes(1, char(v & 0x7F));
    while (v >>= 7)
        bytes.prepend(char(0x80 | (v & 0x7F)));
    out.append(bytes);
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

} // namespace

Pcm tone(std::int64_t frames, int rate, int channels, double amplitude, double hz) {
    Pcm pcm{rate, channels, {}};
    pcm.samples.reserve(size_t(frames * channels));
    for (std::int64_t i = 0; i < frames; ++i) {
        const auto v =
            std::int16_t(std::lround(32767.0 * amplitude * std::sin(2 * M_PI * hz * double(i) / rate)));
        for (int c = 0; c < channels; ++c)
            pcm.samples.push_back(v);
    }
    return pcm;
}

Pcm ramp(int ms) {
    Pcm pcm{44100, 1, {}};
    const std::int64_t frames = std::int64_t(ms) * 44100 / 1000;
    for (std::int64_t i = 0; i < frames; ++i)
        pcm.samples.push_back(std::int16_t(i * 10000 / 44100));
    return pcm;
}

Pcm silenceThenTone(int silentMs, int toneMs) {
    Pcm pcm = tone(std::int64_t(toneMs) * 44100 / 1000, 44100, 2, 0.9);
    pcm.samples.insert(pcm.samples.begin(), size_t(silentMs) * 441 / 10 * 2, 0);
    return pcm;
}

void writeWav(const QString& path, const Pcm& pcm) {
    const auto dataBytes = std::uint32_t(pcm.samples.size() * 2);
    QByteArray out("RIFF");
    put32(out, 36 + dataBytes);
    out.append("WAVEfmt ");
    put32(out, 16);
    put16(out, 1);
    put16(out, std::uint16_t(pcm.channels));
    put32(out, std::uint32_t(pcm.rate));
    put32(out, std::uint32_t(pcm.rate * pcm.channels * 2));
    put16(out, std::uint16_t(pcm.channels * 2));
    put16(out, 16);
    out.append("data");
    put32(out, dataBytes);
    for (std::int16_t s : pcm.samples)
        put16(out, std::uint16_t(s));
    writeFile(path, out);
}

Pcm readWav(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        throw std::runtime_error("not a wav: " + path.toStdString());
    Pcm pcm;
    qsizetype pos = 12;
    while (pos + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(pos, 4);
        const auto size = qFromLittleEndian<std::uint32_t>(bytes.constData() + pos + 4);
        const qsizetype body = pos + 8;
        if (id == "fmt ") {
            pcm.channels = qFromLittleEndian<std::uint16_t>(bytes.constData() + body + 2);
            pcm.rate = int(qFromLittleEndian<std::uint32_t>(bytes.constData() + body + 4));
        } else if (id == "data") {
            // A recording cut short may still carry a placeholder size: trust the file's end.
            const qsizetype end = std::min<qsizetype>(bytes.size(), body + qsizetype(size));
            for (qsizetype i = body; i + 1 < end; i += 2)
                pcm.samples.push_back(qFromLittleEndian<std::int16_t>(bytes.constData() + i));
            break;
        }
        pos = body + qsizetype(size) + (size & 1);
    }
    return pcm;
}

void encodeMp3(const QString& wavPath, const QString& mp3Path, Mp3Kind kind) {
    gst_init(nullptr, nullptr);
    const QString encoder = kind == Mp3Kind::CbrWithoutXing
                                ? QStringLiteral("lamemp3enc target=bitrate bitrate=128 cbr=true")
                                : QStringLiteral("lamemp3enc target=quality quality=4 ! xingmux");
    const QString description =
        QStringLiteral("filesrc location=\"%1\" ! wavparse ! audioconvert ! %2 ! filesink location=\"%3\"")
            .arg(wavPath, encoder, mp3Path);
    GError* error = nullptr;
    std::unique_ptr<GstElement, void (*)(gpointer)> pipeline(
        gst_parse_launch(description.toUtf8().constData(), &error), gst_object_unref);
    if (error) {
        const std::string text = error->message;
        g_error_free(error);
        throw std::runtime_error(text);
    }
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    std::unique_ptr<GstBus, void (*)(gpointer)> bus(gst_element_get_bus(pipeline.get()), gst_object_unref);
    std::unique_ptr<GstMessage, void (*)(GstMessage*)> done(
        gst_bus_timed_pop_filtered(bus.get(), 20 * GST_SECOND,
                                   GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)),
        gst_message_unref);
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    if (!done || GST_MESSAGE_TYPE(done.get()) != GST_MESSAGE_EOS)
        throw std::runtime_error("mp3 encoding failed for " + mp3Path.toStdString());
}

void writeMidi(const QString& path, const std::vector<MidiNote>& notes, const std::vector<int>& programs,
               const std::vector<MidiLyric>& lyrics) {
    struct Event {
        int ms;
        int order; // note-offs before note-ons at the same moment
        QByteArray bytes;
    };
    std::vector<Event> events;
    for (size_t channel = 0; channel < programs.size(); ++channel)
        events.push_back({0, 0, bytes({int(0xC0 | channel), programs[channel]})});
    int end = 0;
    for (const MidiNote& n : notes) {
        events.push_back({n.startMs, 2, bytes({0x90 | n.channel, n.key, n.velocity})});
        events.push_back({n.startMs + n.lengthMs, 1, bytes({0x80 | n.channel, n.key, 0})});
        end = std::max(end, n.startMs + n.lengthMs);
    }
    for (const MidiLyric& l : lyrics) {
        QByteArray lyric("\xFF\x05", 2);
        putVarLen(lyric, std::uint32_t(std::strlen(l.text)));
        events.push_back({l.ms, 0, lyric + l.text});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return std::tie(a.ms, a.order) < std::tie(b.ms, b.order);
    });

    // 480 ticks per quarter note at 480 000 µs per quarter: one tick is one millisecond.
    QByteArray track;
    putVarLen(track, 0);
    track.append("\xFF\x51\x03\x07\x53\x00", 6);
    int now = 0;
    for (const Event& e : events) {
        putVarLen(track, std::uint32_t(e.ms - now));
        track.append(e.bytes);
        now = e.ms;
    }
    putVarLen(track, std::uint32_t(end - now));
    track.append("\xFF\x2F\x00", 3);

    QByteArray out("MThd");
    putBig32(out, 6);
    out.append("\x00\x00\x00\x01\x01\xE0", 6);
    out.append("MTrk");
    putBig32(out, std::uint32_t(track.size()));
    out.append(track);
    writeFile(path, out);
}

std::int64_t firstLoudSample(const Pcm& pcm, int threshold) {
    const auto it = std::find_if(pcm.samples.begin(), pcm.samples.end(),
                                 [threshold](std::int16_t s) { return std::abs(s) > threshold; });
    return it == pcm.samples.end() ? -1 : std::int64_t(it - pcm.samples.begin()) / pcm.channels;
}

double rmsDbfs(const Pcm& pcm) {
    if (pcm.samples.empty())
        return -200;
    double sum = 0;
    for (std::int16_t s : pcm.samples)
        sum += double(s) * s;
    return 20 * std::log10(std::sqrt(sum / double(pcm.samples.size())) / 32768.0);
}

} // namespace sarvel::test
