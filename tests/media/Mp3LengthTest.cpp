#include "Mp3Length.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace sarvel {
namespace {

// MPEG-1 Layer III, 44.1 kHz, joint stereo; the bitrate index selects the frame size.
QByteArray mpeg1Frame(int bitrateIndex, bool padding = false) {
    static constexpr int kbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    const int size = 144 * kbps[bitrateIndex] * 1000 / 44100 + (padding ? 1 : 0);
    QByteArray frame(size, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);
    frame[2] = char(bitrateIndex << 4 | (padding ? 0x02 : 0));
    frame[3] = char(0x40);
    return frame;
}

QByteArray frames(int count, int bitrateIndex = 9) {
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += mpeg1Frame(bitrateIndex, i % 3 == 0);
    return out;
}

// The first frame of a LAME-encoded file: an Xing (or Info) header and the LAME tag with the
// encoder's delay and padding.
QByteArray infoFrame(const char* tag, int delay, int padding) {
    QByteArray frame = mpeg1Frame(9);
    const int xing = 4 + 32;
    frame.replace(xing, 4, tag);
    frame[xing + 7] = 0x0F; // frames, bytes, table of contents, quality
    const int lame = xing + 8 + 4 + 4 + 100 + 4;
    frame.replace(lame, 9, "LAME3.100");
    frame[lame + 21] = char(delay >> 4);
    frame[lame + 22] = char((delay & 0x0F) << 4 | padding >> 8);
    frame[lame + 23] = char(padding & 0xFF);
    return frame;
}

int msFor(long long samples, int rate = 44100) {
    return int((samples * 1000 + rate / 2) / rate);
}

// 100 frames of 1152 samples, less the usual encoder and decoder delay of an untagged file.
const int HundredFrames = msFor(100 * 1152 - 1105);

TEST(Mp3Length, CountsEveryFrameOfAConstantOrVariableBitrateStream) {
    EXPECT_EQ(mp3LengthMs(frames(100)), HundredFrames);

    static constexpr int bitrates[] = {5, 9, 14, 11};
    QByteArray mixed;
    for (int i = 0; i < 100; ++i)
        mixed += mpeg1Frame(bitrates[i % 4], i % 2 == 0);
    EXPECT_EQ(mp3LengthMs(mixed), HundredFrames);
}

TEST(Mp3Length, TakesTheExactLengthFromTheLameTag) {
    const QByteArray file = infoFrame("Xing", 576, 1000) + frames(100);
    // The info frame itself is no sound.
    EXPECT_EQ(mp3LengthMs(file), msFor(100 * 1152 - 576 - 1000));
    EXPECT_EQ(mp3LengthMs(infoFrame("Info", 576, 0) + frames(100)), msFor(100 * 1152 - 576));
}

TEST(Mp3Length, SkipsTagsAroundTheStream) {
    // An ID3v2 tag whose body looks like a frame header must not be taken for sound.
    QByteArray id3("ID3\x04\x00\x00\x00\x00\x02\x00", 10); // 256-byte body
    QByteArray body(256, '\0');
    body.replace(10, 4, QByteArray("\xFF\xFB\x90\x40", 4));
    const QByteArray id3v1 = QByteArray("TAG") + QByteArray(125, 'x');
    EXPECT_EQ(mp3LengthMs(id3 + body + frames(100) + id3v1), HundredFrames);
}

TEST(Mp3Length, StepsOverDamageAndIgnoresACutOffLastFrame) {
    QByteArray damaged = frames(40) + QByteArray(500, '\x55') + frames(60);
    EXPECT_EQ(mp3LengthMs(damaged), HundredFrames);

    const QByteArray cut = frames(100) + mpeg1Frame(9).left(200);
    EXPECT_EQ(mp3LengthMs(cut), HundredFrames);
}

TEST(Mp3Length, Mpeg2FramesHoldHalfAsManySamples) {
    // MPEG-2 Layer III, 22.05 kHz, 64 kbit/s: 208-byte frames of 576 samples.
    QByteArray out;
    for (int i = 0; i < 50; ++i) {
        QByteArray frame(208, '\0');
        frame.replace(0, 4, QByteArray("\xFF\xF3\x80\x40", 4));
        out += frame;
    }
    EXPECT_EQ(mp3LengthMs(out), msFor(50 * 576 - 1105, 22050));
}

TEST(Mp3Length, RefusesWhatIsNoMpegAudio) {
    EXPECT_FALSE(mp3LengthMs(QByteArray()));
    EXPECT_FALSE(mp3LengthMs(QByteArray("this is only some text, not a song\n")));
    EXPECT_FALSE(mp3LengthMs(QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16) + QByteArray(4000, '\x10')));
    // Stray sync words that do not chain into frames.
    QByteArray noise(20000, '\x00');
    for (int pos = 0; pos + 4 < noise.size(); pos += 997)
        noise.replace(pos, 4, QByteArray("\xFF\xFB\x90\x40", 4));
    EXPECT_FALSE(mp3LengthMs(noise));
}

} // namespace
} // namespace sarvel
