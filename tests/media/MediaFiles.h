#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace sarvel::test {

// 16-bit PCM sound, interleaved.
struct Pcm {
    int rate = 44100;
    int channels = 1;
    std::vector<std::int16_t> samples;

    std::int64_t frames() const { return std::int64_t(samples.size()) / channels; }
    double ms() const { return frames() * 1000.0 / rate; }
};

Pcm tone(std::int64_t frames, int rate, int channels, double amplitude, double hz = 440.0);
// Mono 44.1 kHz whose every sample holds the time it plays at: value = elapsed ms × 10.
// A recording of it tells exactly where playback began.
Pcm ramp(int ms);
// Silence, then a full-scale tone: its onset marks a known place in a lossy file.
Pcm silenceThenTone(int silentMs, int toneMs);

void writeWav(const QString& path, const Pcm& pcm);
// Reads the 16-bit PCM wav files this kit and GStreamer's wavenc write.
Pcm readWav(const QString& path);

enum class Mp3Kind { CbrWithoutXing, VbrWithXing };
// Encodes a wav with LAME through GStreamer.
void encodeMp3(const QString& wavPath, const QString& mp3Path, Mp3Kind kind);

struct MidiNote {
    int startMs;
    int lengthMs;
    int channel;
    int key;
    int velocity;
};
struct MidiLyric {
    int ms;
    const char* text; // UTF-8
};
// A format-0 Standard MIDI File timed in milliseconds; `programs` gives channels 0.. their instruments,
// `lyrics` become lyric (0x05) events.
void writeMidi(const QString& path, const std::vector<MidiNote>& notes,
               const std::vector<int>& programs = {0}, const std::vector<MidiLyric>& lyrics = {});

// Index of the first frame with a sample whose magnitude exceeds `threshold`, or -1.
std::int64_t firstLoudSample(const Pcm& pcm, int threshold);
double rmsDbfs(const Pcm& pcm);

} // namespace sarvel::test
