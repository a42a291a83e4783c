#include "MediaTestSupport.h"
#include "MonitorRecorder.h"
#include "PrivateSinkTest.h"
#include "PrivateSoundServer.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>

namespace sarvel {
namespace {

using namespace std::chrono_literals;
using test::media;
using test::MonitorRecorder;
using Clock = std::chrono::steady_clock;

class MediaPlayerSound : public test::PrivateSinkTest {
protected:
    // Milliseconds from the call of Play until its first sound left the sink.
    double delayOfPlay() {
        recorder->arm();
        const auto pressed = Clock::now();
        player.Play();
        const auto heard = recorder->waitForSound(3s);
        return heard ? test::msBetween(pressed, *heard) : 1e9;
    }
};

// The fault this guards against: a song left waiting, ready, starts its sound as much later as it waited.
TEST_F(MediaPlayerSound, ASongOpenedLongBeforeSoundsAtOnce) {
    for (const char* name : {"tone.wav", "cbr.mp3"}) {
        player.setFileName(media().path(name));
        player.Open();
        test::spin(1500ms);
        // The mp3 itself begins with about 25 ms of encoder delay.
        EXPECT_LT(delayOfPlay(), 150) << name;
        player.Stop();
    }
}

TEST_F(MediaPlayerSound, AStoppedSongResumesAtOnce) {
    player.setFileName(media().path("mp3source.wav"));
    player.Open();
    player.setPosition(0);
    EXPECT_LT(delayOfPlay(), 150);
    test::spin(300ms);
    player.Stop();
    test::spin(1000ms);
    player.setPosition(player.Position());
    EXPECT_LT(delayOfPlay(), 150);
}

TEST_F(MediaPlayerSound, TheDefaultOutputIsTheSoundServer) {
    MediaPlayer standard;
    // New streams of this process go to the private sink unless told otherwise.
    qputenv("PULSE_SINK", sink->name().toUtf8());
    standard.setFileName(media().path("tone.wav"));
    standard.Open();
    recorder->arm();
    standard.Play();
    EXPECT_TRUE(recorder->waitForSound(2s));
    standard.Close();
    qunsetenv("PULSE_SINK");
}

// The output's connection to the sound server is kept between songs, so that the next song does not
// wait for a new one; a server that went away and came back must not leave every later song
// failing on the dead one.
TEST(MediaPlayerServer, ASongAfterTheSoundServerCameBackPlaysOnTheNewOne) {
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        GTEST_SKIP() << "no test sound server";
    test::PrivateSoundServer server;
    auto clients = [&server] { return server.pactl({"list", "short", "clients"}).count('\n'); };
    MediaPlayer player;
    player.setAudioSink("pulsesink server=" + server.address());
    player.setFileName(media().path("tone.wav"));
    player.Open();
    player.Play();
    test::spin(300ms);
    const auto withSong = clients();
    player.Close();
    test::spin(500ms); // the song has wound down; the kept connection alone holds on
    EXPECT_EQ(clients(), withSong);

    server.restart();
    std::unique_ptr<MonitorRecorder> recorder;
    {
        const test::PulseServerVariable there(server.address());
        recorder = std::make_unique<MonitorRecorder>("testsink.monitor");
    }
    ASSERT_TRUE(recorder->waitUntilFlowing(3s));
    recorder->arm();
    ASSERT_NO_THROW(player.Open());
    player.Play();
    EXPECT_TRUE(recorder->waitForSound(3s));
    player.Close();
}

} // namespace
} // namespace sarvel
