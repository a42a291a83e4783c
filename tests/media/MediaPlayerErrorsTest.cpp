#include "MediaTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <stdexcept>
#include <string>

namespace sarvel {
namespace {

using test::media;
using Clock = std::chrono::steady_clock;

// The message an operation fails with, or "" when it does not fail.
template <class F> std::string failure(F&& operation) {
    try {
        operation();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return {};
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class MediaPlayerErrors : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // GStreamer's own texts are compared, so they must not come translated.
        qputenv("LANGUAGE", "en");
    }
    MediaPlayerErrors() { player.setAudioSink("fakesink sync=false"); }

    // Opens `path` and returns the error; a file must be left exactly as it was.
    std::string openFailure(const QString& path) {
        const bool regular = QFileInfo(path).isFile();
        const QByteArray before = regular ? bytesOf(path) : QByteArray();
        player.setFileName(path);
        const std::string message = failure([&] { player.Open(); });
        if (regular) {
            EXPECT_EQ(bytesOf(path), before) << path.toStdString();
        }
        return message;
    }

    void expectNothingOpen() {
        EXPECT_EQ(player.mode(), MediaPlayer::Mode::NotReady);
        EXPECT_EQ(failure([&] { player.Length(); }), "No MCI device open");
        EXPECT_EQ(failure([&] { player.Play(); }), "No MCI device open");
        EXPECT_EQ(failure([&] { player.Stop(); }), "No MCI device open");
        EXPECT_EQ(failure([&] { player.setPosition(100); }), "No MCI device open");
        EXPECT_EQ(player.Position(), 0);
        EXPECT_EQ(player.Frames(), 0);
    }

    MediaPlayer player;
};

TEST_F(MediaPlayerErrors, NothingOpenRefusesEveryOperationButReadings) {
    expectNothingOpen();
    player.setFileName(media().path("tone.wav"));
    // Naming a file opens nothing.
    expectNothingOpen();
}

TEST_F(MediaPlayerErrors, UnplayableFilesFailWithGStreamersOwnTextAndTheFile) {
    const QString missing = media().dir() + "/no such song.mp3";
    EXPECT_EQ(openFailure(missing), "Resource not found.\n" + missing.toStdString());
    EXPECT_EQ(openFailure(media().path("text.mp3")),
              "Could not determine type of stream.\n" + media().path("text.mp3").toStdString());
    EXPECT_EQ(openFailure(media().path("empty.mp3")),
              "Stream contains no data.\n" + media().path("empty.mp3").toStdString());
    EXPECT_EQ(openFailure(media().path("head.mp3")),
              "Could not determine type of stream.\n" + media().path("head.mp3").toStdString());
    // Two parts of GStreamer notice a cut-off MIDI file; whichever speaks first is heard.
    const std::string midi = openFailure(media().path("broken.mid"));
    const std::string midiFile = "\n" + media().path("broken.mid").toStdString();
    EXPECT_TRUE(midi == "Internal data stream error." + midiFile ||
                midi == "GStreamer encountered a general stream error." + midiFile)
        << midi;
    // GStreamer's text names this one itself.
    EXPECT_EQ(openFailure(media().dir()), "\"" + media().dir().toStdString() + "\" is a directory.");
    expectNothingOpen();
}

TEST_F(MediaPlayerErrors, AFailedOpenHasAlreadyClosedThePreviousSong) {
    player.setFileName(media().path("tone.wav"));
    player.Open();
    player.Play();
    EXPECT_EQ(openFailure(media().path("text.mp3")),
              "Could not determine type of stream.\n" + media().path("text.mp3").toStdString());
    expectNothingOpen();
}

TEST_F(MediaPlayerErrors, APipeIsRefusedInsteadOfWaitedOn) {
    const QString fifo = media().dir() + "/pipe.mp3";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const auto start = Clock::now();
    EXPECT_EQ(openFailure(fifo), "Could not open resource for reading.\n" + fifo.toStdString());
    EXPECT_LT(test::msBetween(start, Clock::now()), 1000);
    QFile::remove(fifo);
}

TEST_F(MediaPlayerErrors, ASongThatNeverGetsReadyFailsAfterTheTimeLimit) {
    // The valve swallows everything, so the output never receives its first sound.
    player.setAudioSink("valve drop=true ! fakesink");
    player.setOpenTimeout(300);
    const auto start = Clock::now();
    EXPECT_EQ(openFailure(media().path("tone.wav")),
              "Unknown error code\n" + media().path("tone.wav").toStdString());
    const double took = test::msBetween(start, Clock::now());
    EXPECT_GE(took, 290);
    EXPECT_LT(took, 3000);
    expectNothingOpen();
}

TEST_F(MediaPlayerErrors, MidiWithoutASoundfontIsAClearError) {
    const QByteArray saved = qgetenv("XDG_DATA_DIRS");
    QTemporaryDir nowhere;
    qputenv("XDG_DATA_DIRS", nowhere.path().toUtf8());
    const std::string message = openFailure(media().path("song.mid"));
    if (saved.isNull())
        qunsetenv("XDG_DATA_DIRS");
    else
        qputenv("XDG_DATA_DIRS", saved);
    EXPECT_NE(message.find("no General MIDI soundfont"), std::string::npos) << message;
    expectNothingOpen();
}

TEST_F(MediaPlayerErrors, ABadOutputDescriptionIsReported) {
    player.setAudioSink("nosuchsinkelement");
    EXPECT_NE(openFailure(media().path("tone.wav")), "");
    expectNothingOpen();
}

} // namespace
} // namespace sarvel
