// CPU time of the process while it plays an mp3 from start to end, as the main window does it:
// the device open and playing, a 500 ms timer reading Mode, Position and Length. Compared with
// gst-play-1.0 (package gstreamer1.0-plugins-base-apps) playing the same file to its end.
//
// Run on demand against a private sound server (build the target first):
//   bash scripts/with-sound-server.sh build/bench/media/media_cpu_bench [song-seconds=60] [key=0] [tempo=100]
// With a key or tempo given, the device plays the mp3 shifted and stretched by them.
#include "MediaBench.h"
#include "MediaFiles.h"
#include "MediaLibrary.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace sarvel;
using namespace sarvel::bench;

namespace {

double processCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
    const int key = argc > 2 ? std::atoi(argv[2]) : 0;
    const int tempo = argc > 3 ? std::atoi(argv[3]) : 100;

    test::MediaLibrary library;
    // A chord rather than one tone, so the encoder has something to spend bits on.
    test::Pcm music = test::tone(std::int64_t(seconds) * 44100, 44100, 2, 0.3, 220);
    const test::Pcm third = test::tone(std::int64_t(seconds) * 44100, 44100, 2, 0.3, 277.2);
    const test::Pcm fifth = test::tone(std::int64_t(seconds) * 44100, 44100, 2, 0.3, 329.6);
    for (size_t i = 0; i < music.samples.size(); ++i)
        music.samples[i] = std::int16_t(music.samples[i] + third.samples[i] + fifth.samples[i]);
    const QString wav = library.dir() + "/song.wav";
    const QString mp3 = library.dir() + "/song.mp3";
    test::writeWav(wav, music);
    test::encodeMp3(wav, mp3, test::Mp3Kind::CbrWithoutXing);

    SoundBench sound(false);
    // A reader on the monitor, outside this process, keeps the null sink running smoothly.
    QProcess keepAlive;
    keepAlive.start("parec", {"--latency-msec=20", "-d", sound.sinkName() + ".monitor"});
    keepAlive.waitForStarted();
    spin(std::chrono::milliseconds(1000));

    MediaPlayer player;
    player.setAudioSink(sound.sinkDescription());
    player.setFileName(mp3);
    player.setKeyTempo(key, tempo);
    QEventLoop loop;
    QTimer playTimer;
    playTimer.setInterval(500);
    // The steady part: from the first tick of the timer on, after the opening work.
    std::optional<double> steadyCpu;
    Clock::time_point steadyStart;
    QObject::connect(&playTimer, &QTimer::timeout, [&] {
        if (!steadyCpu) {
            steadyCpu = processCpuMs();
            steadyStart = Clock::now();
        }
        if (player.mode() != MediaPlayer::Mode::Playing || player.Position() + 1 >= player.Length())
            loop.quit();
    });

    const double cpuBefore = processCpuMs();
    const auto start = Clock::now();
    player.Open();
    player.setPosition(0);
    player.Play();
    playTimer.start();
    loop.exec();
    const double wall = msBetween(start, Clock::now());
    const double cpu = processCpuMs() - cpuBefore;
    const double steady = 100 * (processCpuMs() - *steadyCpu) / msBetween(steadyStart, Clock::now());
    std::printf(
        "MediaPlayer mp3 (%d s, 128 kbit/s, key %d, tempo %d %%), Open to end: CPU %.0f ms over %.0f ms = "
        "%.2f %% of one core  target <= %d: %s\n",
        seconds, key, tempo, cpu, wall, 100 * cpu / wall, key || tempo != 100 ? 3 : 2,
        100 * cpu / wall <= (key || tempo != 100 ? 3 : 2) ? "met" : "MISSED");
    std::printf("MediaPlayer mp3, while playing (after the first 500 ms): %.2f %% of one core\n", steady);
    player.Close();

    if (GstPlay::available()) {
        GstPlay play(mp3, sound.sinkDescription(), false);
        const GstPlay::Usage usage = play.wait();
        std::printf("gst-play-1.0 mp3 (%d s): CPU %.0f ms over %.0f ms = %.2f %% of one core\n", seconds,
                    usage.cpuMs, usage.wallMs, 100 * usage.cpuMs / usage.wallMs);
    } else {
        std::printf("gst-play-1.0 not installed (gstreamer1.0-plugins-base-apps): not compared\n");
    }
    keepAlive.kill();
    keepAlive.waitForFinished();
    return 0;
}
