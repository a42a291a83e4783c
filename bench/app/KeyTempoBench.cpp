// Click on a song button -> the song's first sound leaving the sound server, for songs stored with
// key +2 against the same songs in their own key (wav, mp3, MIDI), through the real main window and
// its default output. The two kinds of launch take turns, so both see the same machine; the file's
// own lead-in (an mp3's encoder delay, a synth's attack) is subtracted.
//
// Run under the private sound server:
//   bash scripts/with-sound-server.sh build/bench/app/keytempo_bench [runs=15]
#include "FakePromptsBench.h"
#include "FullKit.h"
#include "MediaBench.h"
#include "MediaFiles.h"
#include "SelectionState.h"
#include "SpeedButton.h"
#include "TBaseForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace sarvel;
using namespace sarvel::bench;
using namespace std::chrono_literals;

namespace {

constexpr int SilentButton = 10;

std::optional<double> clickToSound(TBaseForm& form, test::MonitorRecorder& recorder, int button) {
    QTest::mouseClick(form.songButton(SilentButton), Qt::LeftButton);
    spin(300ms); // the song before leaves the sink
    recorder.arm();
    const auto start = Clock::now();
    QTest::mouseClick(form.songButton(button), Qt::LeftButton);
    const auto deadline = start + 3s;
    while (Clock::now() < deadline) {
        QApplication::processEvents(QEventLoop::AllEvents, 1);
        if (const auto heard = recorder.waitForSound(1ms))
            return msBetween(start, *heard);
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    bench::requirePrivateSoundServer(argv[0]);
    QTemporaryDir home;
    bench::useThrowawayHome(home.path());
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 15;

    const QString songs = home.path() + "/SARVEL/SONGS";
    QDir().mkpath(songs);
    QDir().mkpath(home.path() + "/SARVEL/TEMES");
    const QString wav = songs + "/song.wav";
    const QString mp3 = songs + "/song.mp3";
    const QString mid = songs + "/song.mid";
    const QString silence = songs + "/silence.wav";
    test::writeWav(wav, test::tone(10 * 44100, 44100, 2, 0.9));
    test::encodeMp3(wav, mp3, test::Mp3Kind::CbrWithoutXing);
    test::writeMidi(mid, {{0, 10000, 0, 60, 127}, {0, 10000, 0, 64, 127}, {0, 10000, 0, 67, 127}});
    test::writeWav(silence, test::tone(30 * 44100, 44100, 1, 0));

    struct Kind {
        const char* name;
        QString file;
        int ownKey; // button in the song's own key; the next one is stored with key +2
    };
    const std::vector<Kind> kinds = {{"wav", wav, 1}, {"mp3", mp3, 3}, {"mid", mid, 5}};
    QString kit = "[Section1]\n";
    for (const Kind& kind : kinds)
        kit += QStringLiteral("Song%1=%2\nVol%1=100\nSong%3=%2\nVol%3=100\nKey%3=2\n")
                   .arg(kind.ownKey)
                   .arg(kind.file)
                   .arg(kind.ownKey + 1);
    kit += QStringLiteral("Song%1=%2\nVol%1=100\n").arg(SilentButton).arg(silence);

    SelectionState state;
    SilentPrompts prompts;
    state.KitFileName = home.path() + "/SARVEL/TEMES/KeyTempo.vkt";
    state.CurrentSection = "Section1";
    QFile kitFile(state.KitFileName);
    if (!kitFile.open(QIODevice::WriteOnly) || kitFile.write(kit.toUtf8()) < 0)
        return 2;
    kitFile.close();

    TBaseForm form(state, prompts);
    form.CheckBoxNoTxt->setChecked(false);
    form.CheckBoxPlay->setChecked(true);
    form.show();
    QApplication::processEvents();
    test::MonitorRecorder recorder(qEnvironmentVariable("SARVEL_TEST_SINK") + ".monitor");
    if (!recorder.waitUntilFlowing(3s)) {
        std::fprintf(stderr, "no data from the sink's monitor\n");
        return 2;
    }

    std::printf("Song button click -> first sound on %s.monitor, key 0 against key +2, %d runs each, "
                "median; lead-in of the files subtracted\n",
                qPrintable(qEnvironmentVariable("SARVEL_TEST_SINK")), runs);
    for (const Kind& kind : kinds) {
        const double leadIn = leadInMs(kind.file);
        (void)clickToSound(form, recorder, kind.ownKey);
        (void)clickToSound(form, recorder, kind.ownKey + 1);
        std::vector<double> own, shifted;
        for (int i = 0; i < runs; ++i) {
            if (const auto heard = clickToSound(form, recorder, kind.ownKey))
                own.push_back(*heard - leadIn);
            if (const auto heard = clickToSound(form, recorder, kind.ownKey + 1))
                shifted.push_back(*heard - leadIn);
        }
        report(QStringLiteral("%1, key 0: click -> first sound").arg(kind.name), own);
        report(QStringLiteral("%1, key +2: click -> first sound").arg(kind.name), shifted);
        const double difference = median(shifted) - median(own);
        std::printf("%s: key +2 minus key 0, medians: %+.1f ms  target <= 5: %s\n", kind.name, difference,
                    difference <= 5 ? "met" : "MISSED");
        std::fflush(stdout);
    }
    return 0;
}
