#include "MediaTestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace sarvel {
namespace {

using namespace std::chrono_literals;
using test::media;
using test::MediaLibrary;
using Mode = MediaPlayer::Mode;
using Clock = std::chrono::steady_clock;

// Opening: what the callers read right after Open returns.
class MediaPlayerOpen : public ::testing::Test {
protected:
    MediaPlayerOpen() { player.setAudioSink("fakesink sync=false"); }

    int lengthOf(const char* name) {
        player.setFileName(media().path(name));
        player.Open();
        EXPECT_EQ(player.Position(), 0) << name;
        EXPECT_EQ(player.mode(), Mode::Stopped) << name;
        EXPECT_EQ(player.Frames(), player.Length() / 10) << name;
        return player.Length();
    }

    MediaPlayer player;
};

TEST_F(MediaPlayerOpen, WavLengthIsItsSampleCount) {
    const double exact = MediaLibrary::ToneWavFrames * 1000.0 / 44100;
    EXPECT_NEAR(lengthOf("tone.wav"), exact, 1.0);
    EXPECT_NEAR(lengthOf("ramp.wav"), 3000, 1.0);
}

TEST_F(MediaPlayerOpen, Mp3LengthIsKnownWithAndWithoutAnXingHeader) {
    // The files must be what the test claims, or it proves nothing.
    QFile cbr(media().path("cbr.mp3"));
    ASSERT_TRUE(cbr.open(QIODevice::ReadOnly));
    EXPECT_FALSE(cbr.read(4096).contains("Xing"));
    QFile vbr(media().path("vbr.mp3"));
    ASSERT_TRUE(vbr.open(QIODevice::ReadOnly));
    EXPECT_TRUE(vbr.read(4096).contains("Xing"));

    EXPECT_NEAR(lengthOf("cbr.mp3"), MediaLibrary::Mp3SourceMs, 30);
    EXPECT_NEAR(lengthOf("vbr.mp3"), MediaLibrary::Mp3SourceMs, 30);
}

TEST_F(MediaPlayerOpen, ATruncatedMp3OpensWithWhatIsLeft) {
    EXPECT_NEAR(lengthOf("half.mp3"), MediaLibrary::Mp3SourceMs / 2, 40);
}

TEST_F(MediaPlayerOpen, MidiLengthRunsToTheEndOfTheTrack) {
    EXPECT_NEAR(lengthOf("song.mid"), MediaLibrary::SongMidMs, 2);
}

TEST_F(MediaPlayerOpen, OpeningAnotherSongClosesTheFirst) {
    player.setAudioSink("fakesink sync=true");
    player.setFileName(media().path("ramp.wav"));
    player.Open();
    player.Play();
    test::spin(200ms);
    player.setFileName(media().path("tone.wav"));
    player.Open();
    EXPECT_EQ(player.mode(), Mode::Stopped);
    EXPECT_NEAR(player.Length(), 1235, 1);
    test::spin(200ms);
    EXPECT_EQ(player.Position(), 0);
    EXPECT_EQ(player.mode(), Mode::Stopped);
}

// Notes the thread on which an element of a given name (or factory) made a given state change, and
// how often, through a GStreamer tracer hook: elements change state on the thread that sets their
// pipeline's state.
struct StateWatch {
    struct Tracer {
        GstTracer parent;
    };
    struct TracerClass {
        GstTracerClass parent;
    };

    static StateWatch& instance() {
        static StateWatch watch;
        return watch;
    }
    void watch(const char* name, GstStateChange change) {
        const std::lock_guard lock(mutex);
        this->name = name;
        this->change = change;
        thread.reset();
        count = 0;
    }
    int seen() {
        const std::lock_guard lock(mutex);
        return count;
    }
    std::optional<std::thread::id> downOn() {
        const std::lock_guard lock(mutex);
        return thread;
    }

    std::mutex mutex;
    std::string name;
    GstStateChange change = GST_STATE_CHANGE_READY_TO_NULL;
    std::optional<std::thread::id> thread;
    int count = 0;

private:
    StateWatch() {
        gst_init(nullptr, nullptr);
        static const GTypeInfo info{sizeof(TracerClass), nullptr, nullptr, nullptr, nullptr, nullptr,
                                    sizeof(Tracer),      0,       nullptr, nullptr};
        const GType type = g_type_register_static(GST_TYPE_TRACER, "SarvelStateWatch", &info, GTypeFlags(0));
        auto* tracer = GST_TRACER(g_object_new(type, nullptr));
        gst_tracing_register_hook(tracer, "element-change-state-post", G_CALLBACK(&changed));
    }
    static void changed(GObject*, GstClockTime, GstElement* element, GstStateChange transition,
                        GstStateChangeReturn) {
        StateWatch& self = instance();
        const std::lock_guard lock(self.mutex);
        GstElementFactory* factory = gst_element_get_factory(element);
        if (transition == self.change &&
            (self.name == GST_OBJECT_NAME(element) ||
             (factory && self.name == gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory))))) {
            self.thread = std::this_thread::get_id();
            ++self.count;
        }
    }
};

TEST_F(MediaPlayerOpen, TheSongBeforeWindsDownOffTheOpeningThread) {
    // A MIDI synthesizer alone takes over 100 ms to go: the click that opens the next song must not
    // wait for the song before to wind down.
    StateWatch::instance().watch("songbefore", GST_STATE_CHANGE_READY_TO_NULL);
    player.setAudioSink("fakesink name=songbefore sync=true");
    player.setFileName(media().path("song.mid"));
    player.Open();
    player.Play();
    test::spin(100ms);
    player.setAudioSink("fakesink sync=true");
    player.setFileName(media().path("tone.wav"));
    player.Open();
    std::optional<std::thread::id> downOn;
    for (int i = 0; i < 200 && !(downOn = StateWatch::instance().downOn()); ++i)
        test::spin(10ms);
    ASSERT_TRUE(downOn) << "the song before never went down";
    EXPECT_NE(*downOn, std::this_thread::get_id());
    EXPECT_EQ(player.mode(), Mode::Stopped);
}

TEST_F(MediaPlayerOpen, PlayRightAfterOpenStartsTheOutputOnce) {
    player.setAudioSink("fakesink name=startedonce sync=true");
    player.setFileName(media().path("tone.wav"));
    player.Open();
    StateWatch::instance().watch("startedonce", GST_STATE_CHANGE_PAUSED_TO_READY);
    player.Play();
    test::spin(100ms);
    EXPECT_FALSE(StateWatch::instance().downOn()) << "the output was started a second time";
    EXPECT_EQ(player.mode(), Mode::Playing);
    EXPECT_GT(player.Position(), 0);
}

TEST_F(MediaPlayerOpen, AMidiSongFindsItsSynthesizerMadeAhead) {
    // A synthesizer new to a song loads the soundfont first: 12-20 ms on the click's way to the sound.
    player.setAudioSink("fakesink sync=true");
    player.setFileName(media().path("song.mid"));
    player.Open();
    StateWatch::instance().watch("fluiddec", GST_STATE_CHANGE_NULL_TO_READY);
    player.Play(); // the next song's synthesizer is made meanwhile
    for (int i = 0; i < 200 && StateWatch::instance().seen() == 0; ++i)
        test::spin(10ms);
    StateWatch::instance().watch("fluiddec", GST_STATE_CHANGE_NULL_TO_READY);
    player.Open();
    EXPECT_EQ(StateWatch::instance().seen(), 0) << "the song made a synthesizer of its own";
    player.Play();
    test::spin(200ms);
    EXPECT_GT(player.Position(), 0);
}

// Playback into a file: what the device sends out, sample for sample.
class MediaPlayerOutput : public ::testing::Test {
protected:
    void open(const char* name, int songChannels, bool realTime = false) {
        channels = songChannels;
        player.setAudioSink(test::recordingSink(out, realTime));
        player.setFileName(media().path(name));
        player.Open();
    }
    test::Pcm recording() const { return test::readRecording(out, channels); }
    test::Pcm playToEnd() {
        player.Play();
        EXPECT_TRUE(test::playToEnd(player));
        return recording();
    }
    // Where a recording of ramp.wav began, in ms of the song.
    static double rampStartMs(const test::Pcm& pcm) {
        return pcm.samples.empty() ? -1 : pcm.samples.front() / 10.0;
    }

    QString out =
        media().dir() + "/out-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".raw";
    int channels = 1;
    MediaPlayer player;
};

TEST_F(MediaPlayerOutput, PlaysTheWholeSongAndEndsAtItsLength) {
    open("ramp.wav", 1);
    const test::Pcm pcm = playToEnd();
    EXPECT_EQ(pcm.frames(), 3000 * 441 / 10);
    EXPECT_EQ(rampStartMs(pcm), 0);
    EXPECT_EQ(player.mode(), Mode::Stopped);
    EXPECT_EQ(player.Position(), player.Length());
    // After the end, Play starts the song again from its beginning.
    const test::Pcm again = playToEnd();
    EXPECT_EQ(again.frames(), pcm.frames());
    EXPECT_EQ(rampStartMs(again), 0);
}

TEST_F(MediaPlayerOutput, SettingThePositionMovesThereAndStops) {
    open("ramp.wav", 1);
    for (int target : {1234, 2001, 7}) {
        player.setPosition(target);
        EXPECT_EQ(player.Position(), target);
        EXPECT_EQ(player.mode(), Mode::Stopped);
        const test::Pcm pcm = playToEnd();
        EXPECT_NEAR(rampStartMs(pcm), target, 5);
        EXPECT_EQ(player.Position(), player.Length());
    }
    player.setPosition(99999);
    EXPECT_EQ(player.Position(), player.Length());
    player.setPosition(-5);
    EXPECT_EQ(player.Position(), 0);
}

TEST_F(MediaPlayerOutput, Mp3SeeksLandWithinFiveMilliseconds) {
    for (const char* name : {"step.mp3", "stepvbr.mp3"}) {
        open(name, 2);
        // Where the tone starts in the decoded stream (the encoder shifts it a little).
        const test::Pcm whole = playToEnd();
        const double onset = test::firstLoudSample(whole, 3000) / 44.1;
        ASSERT_NEAR(onset, MediaLibrary::StepSilenceMs, 60) << name;
        EXPECT_EQ(player.Position(), player.Length());

        for (int target : {1000, 300}) {
            player.setPosition(target);
            const test::Pcm part = playToEnd();
            EXPECT_NEAR(test::firstLoudSample(part, 3000) / 44.1, onset - target, 5) << name << " " << target;
        }
    }
}

TEST_F(MediaPlayerOutput, MidiIsAboutAsLoudAsABackingTrackAndSeeks) {
    open("band.mid", 2);
    const test::Pcm band = playToEnd();
    // A mastered backing track averages around -12 dBFS; the synthesizer's default gain gives -22.
    EXPECT_GT(test::rmsDbfs(band), -18);
    EXPECT_LT(test::rmsDbfs(band), -6);

    open("song.mid", 2);
    player.setPosition(MediaLibrary::SongMidLateNoteMs - 300);
    const test::Pcm tail = playToEnd();
    EXPECT_NEAR(test::firstLoudSample(tail, 1000) / 44.1, 300, 15);
    EXPECT_EQ(player.Position(), player.Length());
}

TEST_F(MediaPlayerOutput, StopKeepsThePositionAndPlayResumesThere) {
    open("ramp.wav", 1, true);
    player.Play();
    const auto started = Clock::now();
    test::spin(500ms);
    EXPECT_EQ(player.mode(), Mode::Playing);
    player.Stop();
    const double wall = test::msBetween(started, Clock::now());
    const int stopped = player.Position();
    EXPECT_EQ(player.mode(), Mode::Stopped);
    EXPECT_NEAR(stopped, wall, 150);
    test::spin(300ms);
    EXPECT_EQ(player.Position(), stopped);

    player.Play();
    test::spin(100ms);
    player.Stop();
    EXPECT_NEAR(rampStartMs(recording()), stopped, 5);
}

// Playback in real time on a sink that keeps the clock.
class MediaPlayerClock : public ::testing::Test {
protected:
    MediaPlayerClock() { player.setAudioSink("fakesink sync=true"); }
    MediaPlayer player;
};

TEST_F(MediaPlayerClock, PositionFollowsTheSongToItsEnd) {
    player.setFileName(media().path("short.wav"));
    player.Open();
    const int length = player.Length();
    const auto started = Clock::now();
    player.Play();
    EXPECT_EQ(player.mode(), Mode::Playing);
    // Play again while playing changes nothing.
    test::spin(200ms);
    const int before = player.Position();
    player.Play();
    EXPECT_GE(player.Position(), before);

    std::vector<int> readings;
    while (player.mode() == Mode::Playing && test::msBetween(started, Clock::now()) < 5000) {
        readings.push_back(player.Position());
        test::spin(10ms);
    }
    const double took = test::msBetween(started, Clock::now());
    EXPECT_NEAR(took, length, 250);
    ASSERT_FALSE(readings.empty());
    for (size_t i = 1; i < readings.size(); ++i) {
        EXPECT_GE(readings[i], readings[i - 1]);
        EXPECT_LE(readings[i], length);
    }
    EXPECT_EQ(player.mode(), Mode::Stopped);
    EXPECT_EQ(player.Position(), length);
    EXPECT_GE(player.Position() + 1, player.Length());
    test::spin(100ms);
    EXPECT_EQ(player.mode(), Mode::Stopped);
}

TEST_F(MediaPlayerClock, Mp3EndsAtItsLengthToo) {
    player.setFileName(media().path("cbr.mp3"));
    player.Open();
    player.setPosition(player.Length() - 300);
    player.Play();
    EXPECT_TRUE(test::playToEnd(player, 3s));
    EXPECT_EQ(player.Position(), player.Length());
    EXPECT_EQ(player.mode(), Mode::Stopped);
}

} // namespace
} // namespace sarvel
