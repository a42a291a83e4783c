// How soon Play is heard: from the call of Play to the first sound leaving the sound server
// (recorded on a private null sink's monitor), for wav and mp3, with Play called right after Open,
// after the song stood open for a while, and after it stood stopped mid-song for a while.
// gst-play-1.0 (package gstreamer1.0-plugins-base-apps) is measured the same way where it can be:
// from its launch to its first sound, and from the key that resumes it after a pause.
//
// Run on demand against a private sound server (build the target first):
//   bash scripts/with-sound-server.sh build/bench/media/media_start_bench [runs=10] [stand-seconds=5]
// Any server named by PULSE_SERVER serves: the benchmark adds a null sink of its own and removes it.
#include "MediaBench.h"
#include "MediaFiles.h"
#include "MediaLibrary.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

using namespace sarvel;
using namespace sarvel::bench;
using namespace std::chrono_literals;

namespace {

constexpr double TargetMs = 30;

// The time from `act` until the recorder hears the song, less the song's own silent lead-in.
template <class F> std::optional<double> heardAfter(test::MonitorRecorder& recorder, double leadIn, F&& act) {
    recorder.arm();
    const auto start = Clock::now();
    act();
    const auto heard = recorder.waitForSound(3s);
    if (!heard)
        return std::nullopt;
    return msBetween(start, *heard) - leadIn;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const auto stand = std::chrono::seconds(argc > 2 ? std::max(0, std::atoi(argv[2])) : 5);

    test::MediaLibrary library;
    const QString source = library.dir() + "/long.wav";
    test::writeWav(source, test::tone(20 * 44100, 44100, 2, 0.5));
    const QString mp3 = library.dir() + "/long.mp3";
    test::encodeMp3(source, mp3, test::Mp3Kind::CbrWithoutXing);

    SoundBench sound;
    std::printf("Play -> first sound through the server; %d runs, standing %lld s; the file's own lead-in "
                "subtracted\n",
                runs, static_cast<long long>(stand.count()));

    for (const QString& file : {source, mp3}) {
        const QString kind = file.endsWith(".mp3") ? "mp3" : "wav";
        const double leadIn = leadInMs(file);
        std::printf("%s: lead-in of the file itself %.1f ms\n", qPrintable(kind), leadIn);

        MediaPlayer player;
        player.setAudioSink(sound.sinkDescription());
        player.setFileName(file);
        std::vector<double> fresh, stood, resumed;
        for (int i = 0; i < runs; ++i) {
            player.Open();
            if (auto ms = heardAfter(sound.recorder(), leadIn, [&] { player.Play(); }))
                fresh.push_back(*ms);
            player.Close();
            spin(200ms);

            player.Open();
            spin(stand);
            if (auto ms = heardAfter(sound.recorder(), leadIn, [&] { player.Play(); }))
                stood.push_back(*ms);
            spin(300ms);
            player.Stop();
            spin(stand);
            // A stopped song is resumed as the transport does it: position, then Play.
            if (auto ms = heardAfter(sound.recorder(), 0, [&] {
                    player.setPosition(player.Position());
                    player.Play();
                }))
                resumed.push_back(*ms);
            player.Close();
            spin(200ms);
        }
        report("MediaPlayer " + kind + ": Play right after Open", fresh, TargetMs);
        report("MediaPlayer " + kind + ": Play after standing open", stood, TargetMs);
        report("MediaPlayer " + kind + ": Play after standing stopped mid-song", resumed, TargetMs);

        if (!GstPlay::available()) {
            std::printf("gst-play-1.0 not installed (gstreamer1.0-plugins-base-apps): not compared\n");
            continue;
        }
        std::vector<double> launched, unpaused;
        for (int i = 0; i < runs; ++i) {
            sound.recorder().arm();
            GstPlay play(file, sound.sinkDescription());
            const auto heard = sound.recorder().waitForSound(5s);
            if (!heard)
                continue;
            launched.push_back(msBetween(play.started(), *heard) - leadIn);
            spin(300ms);
            play.key(' ');
            spin(stand);
            if (auto ms = heardAfter(sound.recorder(), 0, [&] { play.key(' '); }))
                unpaused.push_back(*ms);
            play.key('q');
            play.wait();
            spin(300ms);
        }
        report("gst-play-1.0 " + kind + ": launch -> first sound", launched);
        report("gst-play-1.0 " + kind + ": unpause after standing paused mid-song", unpaused);
    }
    return 0;
}
