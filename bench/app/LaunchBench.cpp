// Click on a song button -> the song's first sound leaving the sound server, through the real main
// window and its default output, for wav, mp3 and MIDI songs that are loud from their first sample,
// with words and an icon, the kit on local disk. The sound is recorded on the default sink's monitor;
// the file's own lead-in (an mp3's encoder delay, a synth's attack) is subtracted.
// Measured twice: with the mixer not started (the sink stays at 100 %), then with it driving the
// sink, where the launch's fade (down to 1, up to the song's volume at its end) is heard too.
// Between runs another, silent song is launched, so each click starts from quiet.
//
// Run under the private sound server:
//   bash scripts/with-sound-server.sh build/bench/app/launch_bench [runs=15]
#include "FakePromptsBench.h"
#include "FullKit.h"
#include "MediaBench.h"
#include "MediaFiles.h"
#include "SelectionState.h"
#include "SpeedButton.h"
#include "TBaseForm.h"
#include "VolumeController.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace sarvel;
using namespace sarvel::bench;
using namespace std::chrono_literals;

namespace {

constexpr int SilentButton = 4;

struct Song {
    const char* kind;
    int button;
    QString file;
    double targetMs;
    double leadInMs = 0;
};

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
}

// Keeps the window's event loop turning, as it would, until the recorder hears sound.
std::optional<Clock::time_point> waitHeard(test::MonitorRecorder& recorder, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        QApplication::processEvents(QEventLoop::AllEvents, 1);
        if (const auto at = recorder.waitForSound(1ms))
            return at;
    }
    return std::nullopt;
}

std::optional<double> clickToSound(TBaseForm& form, test::MonitorRecorder& recorder, const Song& song) {
    QTest::mouseClick(form.songButton(SilentButton), Qt::LeftButton);
    // Lets the last sound of the song before leave the sink.
    spin(300ms);
    recorder.arm();
    const auto start = Clock::now();
    QTest::mouseClick(form.songButton(song.button), Qt::LeftButton);
    const auto heard = waitHeard(recorder, 3s);
    if (!heard)
        return std::nullopt;
    return msBetween(start, *heard) - song.leadInMs;
}

void measure(TBaseForm& form, test::MonitorRecorder& recorder, const std::vector<Song>& songs, int runs,
             const char* how) {
    for (const Song& song : songs) {
        (void)clickToSound(form, recorder, song); // warms the file and the decoder up
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i) {
            if (const auto heard = clickToSound(form, recorder, song))
                ms.push_back(*heard);
            else
                std::fprintf(stderr, "%s run %d: no sound within 3 s\n", song.kind, i + 1);
        }
        report(QStringLiteral("%1, %2: click -> first sound").arg(song.kind, how), ms, song.targetMs);
    }
}

} // namespace

int main(int argc, char** argv) {
    bench::requirePrivateSoundServer(argv[0]);
    QTemporaryDir home; // under /tmp: local disk
    bench::useThrowawayHome(home.path());
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(10, std::atoi(argv[1])) : 15;

    const QString data = home.path() + "/SARVEL";
    for (const char* dir : {"SONGS", "TEXTS", "ICONS", "TEMES"})
        QDir().mkpath(data + "/" + dir);
    QImage icon(32, 32, QImage::Format_RGB888);
    icon.fill(Qt::red);
    icon.save(data + "/NoIcoS.bmp", "BMP");
    icon.save(data + "/ICONS/song.bmp", "BMP");
    writeFile(data + "/TEXTS/words.rtf",
              "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}\\f0\\fs28 {\\b First line}\\par second "
              "line\\par third line\\par}");

    // Ten seconds, loud from the first sample on.
    const QString wav = data + "/SONGS/song.wav";
    const QString mp3 = data + "/SONGS/song.mp3";
    const QString mid = data + "/SONGS/song.mid";
    const QString silence = data + "/SONGS/silence.wav";
    test::writeWav(wav, test::tone(10 * 44100, 44100, 2, 0.9));
    test::encodeMp3(wav, mp3, test::Mp3Kind::CbrWithoutXing);
    test::writeMidi(mid, {{0, 10000, 0, 60, 127}, {0, 10000, 0, 64, 127}, {0, 10000, 0, 67, 127}});
    test::writeWav(silence, test::tone(30 * 44100, 44100, 1, 0));

    std::vector<Song> songs = {{"wav", 1, wav, 60}, {"mp3", 2, mp3, 60}, {"mid", 3, mid, 150}};
    QString kit = "[Section1]\n";
    for (const Song& song : songs)
        kit += QStringLiteral("Button%1=Song %2\nText%1=%3/TEXTS/words.rtf\nSong%1=%4\nIcon%1=%3/ICONS/"
                              "song.bmp\nVol%1=100\n")
                   .arg(song.button)
                   .arg(song.kind, data, song.file);
    kit += QStringLiteral("Button%1=Quiet\nSong%1=%2\nVol%1=100\n").arg(SilentButton).arg(silence);

    SelectionState state;
    SilentPrompts prompts;
    state.KitFileName = data + "/TEMES/Launch.vkt";
    state.CurrentSection = "Section1";
    writeFile(state.KitFileName, kit.toUtf8());

    TBaseForm form(state, prompts);
    form.CheckBoxNoTxt->setChecked(false);
    form.CheckBoxPlay->setChecked(true);
    form.showSongPane();
    form.show();
    QApplication::processEvents();

    for (Song& song : songs)
        song.leadInMs = leadInMs(song.file);
    test::MonitorRecorder recorder(qEnvironmentVariable("SARVEL_TEST_SINK") + ".monitor");
    if (!recorder.waitUntilFlowing(3s)) {
        std::fprintf(stderr, "no data from the sink's monitor\n");
        return 2;
    }

    std::printf("Song button click -> first sound on %s.monitor (output %s), %d runs each, median; "
                "lead-in of the files subtracted (wav %.1f, mp3 %.1f, mid %.1f ms)\n",
                qPrintable(qEnvironmentVariable("SARVEL_TEST_SINK")),
                qPrintable(form.MediaPlayer.audioSink()), runs, songs[0].leadInMs, songs[1].leadInMs,
                songs[2].leadInMs);
    std::fflush(stdout);
    measure(form, recorder, songs, runs, "mixer not started");
    if (form.volume().startUp())
        measure(form, recorder, songs, runs, "mixer fading 1 -> 100");
    else
        std::printf("mixer not found: the launch with the fade is not measured\n");
    return 0;
}
