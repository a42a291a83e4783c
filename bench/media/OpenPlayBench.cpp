// How long opening a song takes: from the start of Open (with the calls a launch makes: Open,
// Position := 0, Length, Frames) to Play returning, for wav, mp3 and MIDI; and, to compare with
// gst-play-1.0 (package gstreamer1.0-plugins-base-apps), from the start of Open to the first sound
// leaving the sound server, against gst-play-1.0's launch to its first sound.
//
// Run on demand against a private sound server (build the target first):
//   bash scripts/with-sound-server.sh build/bench/media/media_open_bench [runs=20]
#include "MediaBench.h"
#include "MediaFiles.h"
#include "MediaLibrary.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

using namespace sarvel;
using namespace sarvel::bench;
using namespace std::chrono_literals;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    test::MediaLibrary library;
    SoundBench sound;
    struct Song {
        const char* kind;
        QString file;
        double targetMs;
    };
    const std::vector<Song> songs = {{"wav", library.path("mp3source.wav"), 40},
                                     {"mp3", library.path("cbr.mp3"), 40},
                                     {"mid", library.path("band.mid"), 120}};

    std::printf("Open start -> Play returned, and -> first sound through the server; %d runs\n", runs);
    for (const Song& song : songs) {
        const double leadIn = leadInMs(song.file);
        MediaPlayer player;
        player.setAudioSink(sound.sinkDescription());
        std::vector<double> toPlay, toSound;
        for (int i = 0; i < runs; ++i) {
            sound.recorder().arm();
            const auto start = Clock::now();
            player.setFileName(song.file);
            player.Open();
            player.setPosition(0);
            (void)player.Frames();
            (void)player.Length();
            player.Play();
            toPlay.push_back(msBetween(start, Clock::now()));
            if (const auto heard = sound.recorder().waitForSound(3s))
                toSound.push_back(msBetween(start, *heard) - leadIn);
            player.Close();
            spin(150ms);
        }
        report(QString("MediaPlayer %1: Open start -> Play returned").arg(song.kind), toPlay, song.targetMs);
        report(QString("MediaPlayer %1: Open start -> first sound").arg(song.kind), toSound);

        if (!GstPlay::available())
            continue;
        std::vector<double> launched;
        for (int i = 0; i < std::min(runs, 10); ++i) {
            {
                sound.recorder().arm();
                GstPlay play(song.file, sound.sinkDescription());
                if (const auto heard = sound.recorder().waitForSound(5s))
                    launched.push_back(msBetween(play.started(), *heard) - leadIn);
            }
            // Let the last sound of the killed player leave the sink before listening again.
            spin(300ms);
        }
        report(QString("gst-play-1.0 %1: launch -> first sound").arg(song.kind), launched);
    }
    if (!GstPlay::available())
        std::printf("gst-play-1.0 not installed (gstreamer1.0-plugins-base-apps): not compared\n");
    return 0;
}
