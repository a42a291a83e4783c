// From a time tag of the song's timing file to the mark moving onto its line, while the song plays
// in the real main window: the song's position (the device's own clock) at the moment the mark is
// seen on a new line, less that line's time. Forty lines a quarter of a second apart, several runs;
// in the words pane, then in the stage view.
//
// Run under the private sound server (or with any sound server; without one a fake sink keeps time):
//   bash scripts/with-sound-server.sh build/bench/app/timed_words_bench [runs=3]
#include "FakePromptsBench.h"
#include "FullKit.h"
#include "MediaFiles.h"
#include "SelectionState.h"
#include "StageView.h"
#include "TBaseForm.h"
#include "TimedWords.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace sarvel;
using namespace sarvel::bench;

namespace {

constexpr int Lines = 40;
constexpr int FirstMs = 1000;
constexpr int StepMs = 250;

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
}

int markedLine(const QTextEdit& pane) {
    const auto marks = pane.extraSelections();
    return marks.isEmpty() ? -1 : marks.first().cursor.block().blockNumber();
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    bench::useThrowawayHome(home.path());
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    const QString data = home.path() + "/SARVEL";
    for (const char* dir : {"SONGS", "TEXTS", "TEMES"})
        QDir().mkpath(data + "/" + dir);
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs28 ";
    QByteArray lrc = "[ti:bench]\n";
    for (int i = 0; i < Lines; ++i) {
        const int ms = FirstMs + i * StepMs;
        rtf += "Line " + QByteArray::number(i + 1) + " of the song\\par ";
        lrc += QStringLiteral("[%1:%2.%3]Line %4 of the song\n")
                   .arg(ms / 60000, 2, 10, QChar(u'0'))
                   .arg(ms / 1000 % 60, 2, 10, QChar(u'0'))
                   .arg(ms / 10 % 100, 2, 10, QChar(u'0'))
                   .arg(i + 1)
                   .toUtf8();
    }
    writeFile(data + "/TEXTS/song.rtf", rtf + "}");
    writeFile(data + "/SONGS/song.lrc", lrc);
    test::writeWav(data + "/SONGS/song.wav",
                   test::tone((FirstMs + Lines * StepMs + 1000) * 441 / 10, 44100, 2, 0.3));

    SelectionState state;
    SilentPrompts prompts;
    state.KitFileName = data + "/TEMES/Timed.vkt";
    state.CurrentSection = "Section1";
    writeFile(state.KitFileName,
              QStringLiteral("[Section1]\nButton1=Timed\nText1=%1/TEXTS/song.rtf\nSong1=%1/"
                             "SONGS/song.wav\nVol1=50\n")
                  .arg(data)
                  .toUtf8());
    TBaseForm form(state, prompts);
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        form.MediaPlayer.setAudioSink("fakesink sync=true");
    form.CheckBoxNoTxt->setChecked(true);
    form.CheckBoxPlay->setChecked(true);
    form.show();
    QApplication::processEvents();

    // The pane first, then the stage view over it, which repeats the pane's marks as they are told.
    for (const bool stage : {false, true}) {
        if (stage)
            form.stageView().enter();
        const QTextEdit& view = stage ? *form.stageView().words() : *form.RichEdit;
        std::vector<double> lateness;
        int missed = 0;
        for (int run = 0; run < runs; ++run) {
            form.SpeedButtonSongClick(1);
            int shown = markedLine(view);
            QElapsedTimer limit;
            limit.start();
            while (shown < Lines - 1 && limit.elapsed() < 30000) {
                QApplication::processEvents(QEventLoop::AllEvents, 1);
                const int now = markedLine(view);
                if (now != shown && now >= 0) {
                    const int position = form.MediaPlayer.Position();
                    missed += now - std::max(shown, -1) - 1; // lines passed over without being marked
                    lateness.push_back(position - (FirstMs + now * StepMs));
                    shown = now;
                }
                QThread::usleep(200);
            }
        }
        if (lateness.empty()) {
            std::fprintf(stderr, "the mark never moved\n");
            return 1;
        }
        std::sort(lateness.begin(), lateness.end());
        std::printf(
            "time tag -> mark on its line in the %s, while playing (output %s, tick %d ms, play timer "
            "500 ms): %zu moves in %d runs, median %.1f ms, 90th %.1f ms, max %.1f ms, min %.1f ms, "
            "lines skipped %d (target: median <= 50 ms)\n",
            stage ? "stage view" : "words pane", qPrintable(form.MediaPlayer.audioSink()), TimedWords::tickMs,
            lateness.size(), runs, lateness[lateness.size() / 2], lateness[lateness.size() * 9 / 10],
            lateness.back(), lateness.front(), missed);
    }
    return 0;
}
