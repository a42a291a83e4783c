// A mouse click on a song button of the real program -> the song's first sample at the sound server.
// The program runs as a child process (this same executable with --app builds the whole application,
// as main() does) on the X server of $DISPLAY; the click is a real X button press and release, sent
// through the XTest extension at the button's place on the screen. The time runs from just before
// the press is sent to the first loud sample seen on the default sink's monitor, less the file's own
// lead-in (an mp3's encoder delay). The first click is made 300 ms after the splash has gone; the
// repeated clicks launch the same button again after its song was stopped with the Play button.
// Beside it, the same figures for a bare Qt window whose click sets a GStreamer playbin to PLAYING
// (--bare), and for gst-play-1.0 from process start. --before PROGRAM adds another build of this
// benchmark as a further program, its rounds interleaved with these: a before/after in one run.
//
// Run (needs Xvfb, gst-play-1.0; see scripts/bench-click.sh):
//   bash scripts/bench-click.sh build/bench/app/click_bench [rounds=7] [--before other/click_bench]
#include "MediaBench.h"
#include "MediaFiles.h"
#include "SarvelApp.h"
#include "Soundfont.h"
#include "SpeedButton.h"
#include "TBaseForm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <X11/Xlib.h>
#include <gst/gst.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

extern char** environ;
// libXtst ships no development package here; these two calls are all the benchmark needs.
extern "C" int XTestFakeButtonEvent(Display*, unsigned int, int, unsigned long);
extern "C" int XTestFakeMotionEvent(Display*, int, int, int, unsigned long);

using namespace sarvel;
using namespace sarvel::bench;
using namespace std::chrono_literals;

namespace {

constexpr int ReportFd = 3; // the child's line to the parent: "ready x1 y1 x2 y2 x3 y3 xstop ystop"
const char* const Kinds[] = {"wav", "mp3", "mid"};

void tellReady(const std::vector<QPoint>& points) {
    QByteArray line = "ready";
    for (const QPoint& p : points)
        line += ' ' + QByteArray::number(p.x()) + ' ' + QByteArray::number(p.y());
    line += '\n';
    if (write(ReportFd, line.constData(), size_t(line.size())) != line.size())
        std::_Exit(3);
}

QPoint centre(const QWidget* w) {
    return w->mapToGlobal(w->rect().center());
}

// The real application, as main() builds it; it tells where its buttons are once the splash is gone.
int appChild(int argc, char** argv, const QString& kit) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sarvel"));
    SarvelApp sarvel(kit);
    TBaseForm& form = sarvel.baseForm();
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!form.isVisible() || form.TimerZast->isActive() || QApplication::activeModalWidget())
            return;
        probe.stop();
        QTimer::singleShot(300, [&form] {
            tellReady({centre(form.songButton(1)), centre(form.songButton(2)), centre(form.songButton(3)),
                       centre(form.SpeedButtonPlay)});
        });
    });
    probe.start(20);
    return sarvel.run();
}

// The least a Qt program can do: one playbin per file, made ready at start, set to PLAYING by a click.
int bareChild(int argc, char** argv, const QStringList& files) {
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);
    const QByteArray soundfont = QFile::encodeName(findSoundfont());
    std::vector<GstElement*> playbins;
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    std::vector<QPoint> points;
    std::vector<QPushButton*> buttons;
    for (const QString& file : files) {
        GstElement* playbin = gst_element_factory_make("playbin", nullptr);
        GstElement* sink = gst_element_factory_make("pulsesink", nullptr);
        char* uri = gst_filename_to_uri(QFile::encodeName(file).constData(), nullptr);
        g_object_set(playbin, "uri", uri, "audio-sink", sink, "flags", 1 << 1, nullptr);
        g_free(uri);
        g_signal_connect(playbin, "element-setup", G_CALLBACK(+[](GstElement*, GstElement* e, gpointer sf) {
                             if (g_str_has_prefix(GST_OBJECT_NAME(e), "fluiddec"))
                                 g_object_set(e, "soundfont", static_cast<const char*>(sf), "synth-gain", 0.5,
                                              nullptr);
                         }),
                         const_cast<char*>(soundfont.constData()));
        gst_element_set_state(playbin, GST_STATE_READY);
        playbins.push_back(playbin);
        auto* button = new QPushButton(QFileInfo(file).suffix(), &window);
        QObject::connect(button, &QPushButton::clicked,
                         [playbin] { gst_element_set_state(playbin, GST_STATE_PLAYING); });
        row->addWidget(button);
        buttons.push_back(button);
    }
    auto* stop = new QPushButton("stop", &window);
    QObject::connect(stop, &QPushButton::clicked, [&playbins] {
        for (GstElement* p : playbins)
            gst_element_set_state(p, GST_STATE_READY);
    });
    row->addWidget(stop);
    window.show();
    QTimer::singleShot(300, [&] {
        for (QPushButton* b : buttons)
            points.push_back(centre(b));
        points.push_back(centre(stop));
        tellReady(points);
    });
    const int result = QApplication::exec();
    for (GstElement* p : playbins) {
        gst_element_set_state(p, GST_STATE_NULL);
        gst_object_unref(p);
    }
    return result;
}

class XClicker {
public:
    XClicker() : display_(XOpenDisplay(nullptr)) {
        if (!display_) {
            std::fprintf(stderr, "no X display: run under Xvfb (scripts/bench-click.sh)\n");
            std::exit(2);
        }
    }
    ~XClicker() { XCloseDisplay(display_); }

    // Moves there first, as a hand does; the press and release follow at once. Returns when the
    // press was sent.
    Clock::time_point click(QPoint at) {
        XTestFakeMotionEvent(display_, -1, at.x(), at.y(), 0);
        XSync(display_, False);
        std::this_thread::sleep_for(30ms);
        const auto pressed = Clock::now();
        XTestFakeButtonEvent(display_, 1, True, 0);
        XTestFakeButtonEvent(display_, 1, False, 0);
        XSync(display_, False);
        return pressed;
    }

private:
    Display* display_;
};

class Child {
public:
    Child(const QByteArray& program, QList<QByteArray> args) {
        int fds[2];
        if (pipe(fds) != 0)
            std::exit(2);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], ReportFd);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        args.prepend(program);
        std::vector<char*> argv;
        for (QByteArray& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.constData(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        fd_ = fds[0];
    }
    ~Child() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        close(fd_);
    }

    // The buttons' places, once the child is ready for clicks.
    std::vector<QPoint> waitReady() {
        QByteArray line;
        pollfd p{fd_, POLLIN, 0};
        char c = 0;
        while (poll(&p, 1, 15000) > 0 && read(fd_, &c, 1) == 1 && c != '\n')
            line += c;
        const QList<QByteArray> words = line.split(' ');
        std::vector<QPoint> points;
        for (qsizetype i = 1; i + 1 < words.size(); i += 2)
            points.emplace_back(words[i].toInt(), words[i + 1].toInt());
        return points;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
};

struct Figures {
    std::vector<double> first, again;
};

struct Bench {
    test::MonitorRecorder& recorder;
    XClicker& x;
    std::map<QString, double> leadIn;

    std::optional<double> clickToSound(QPoint at, const QString& file) {
        recorder.arm();
        const auto pressed = x.click(at);
        const auto heard = recorder.waitForSound(3s);
        if (!heard)
            return std::nullopt;
        return msBetween(pressed, *heard) - leadIn[file];
    }

    // One start of `program`: the first click on button `k`, then `again` launches of it after a stop.
    void session(const QByteArray& program, const QList<QByteArray>& args, int k, const QString& file,
                 int again, Figures& into) {
        Child child(program, args);
        const std::vector<QPoint> points = child.waitReady();
        if (points.size() < 4) {
            std::fprintf(stderr, "%s did not get ready\n", program.constData());
            return;
        }
        const QPoint stop = points.back();
        auto note = [&](std::vector<double>& to) {
            if (const auto ms = clickToSound(points[size_t(k)], file))
                to.push_back(*ms);
            else
                std::fprintf(stderr, "%s %s: no sound within 3 s\n", program.constData(), Kinds[k]);
            std::this_thread::sleep_for(700ms);
        };
        note(into.first);
        for (int i = 0; i < again; ++i) {
            x.click(stop);
            std::this_thread::sleep_for(400ms);
            note(into.again);
        }
    }

    void gstPlay(const QString& file, Figures& into) {
        recorder.arm();
        GstPlay play(file, QStringLiteral("pulsesink"), false);
        if (const auto heard = recorder.waitForSound(3s))
            into.first.push_back(msBetween(play.started(), *heard) - leadIn[file]);
        std::this_thread::sleep_for(300ms);
    }
};

double percentile(std::vector<double> ms, double p) {
    std::sort(ms.begin(), ms.end());
    if (ms.empty())
        return 0;
    if (p == 50)
        return ms.size() % 2 ? ms[ms.size() / 2] : (ms[ms.size() / 2 - 1] + ms[ms.size() / 2]) / 2;
    const size_t rank = size_t(std::ceil(p / 100 * double(ms.size())));
    return ms[std::clamp<size_t>(rank, 1, ms.size()) - 1];
}

void printRow(const QString& program, const char* kind, const Figures& f) {
    auto cell = [](const std::vector<double>& ms) {
        return ms.empty() ? QStringLiteral("%1").arg("-", 20)
                          : QStringLiteral("%1 %2 %3")
                                .arg(percentile(ms, 50), 7, 'f', 1)
                                .arg(percentile(ms, 90), 7, 'f', 1)
                                .arg(ms.size(), 4);
    };
    std::printf("%-22s %-4s  %s    %s\n", qPrintable(program), kind, qPrintable(cell(f.first)),
                qPrintable(cell(f.again)));
    std::fflush(stdout);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--app") == 0)
        return appChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (argc > 2 && std::strcmp(argv[1], "--bare") == 0) {
        QStringList files;
        for (int i = 2; i < argc; ++i)
            files << QString::fromLocal8Bit(argv[i]);
        return bareChild(argc, argv, files);
    }
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER") || qEnvironmentVariableIsEmpty("SARVEL_TEST_SINK") ||
        qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "run under Xvfb and the private sound server: bash scripts/bench-click.sh %s\n",
                     argv[0]);
        return 2;
    }
    int rounds = 7;
    QByteArray before;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--before") == 0 && i + 1 < argc)
            before = QFile::encodeName(QFileInfo(QString::fromLocal8Bit(argv[++i])).absoluteFilePath());
        else
            rounds = std::max(1, std::atoi(argv[i]));
    }
    QCoreApplication app(argc, argv); // for the lead-in's player, and QTemporaryDir
    QTemporaryDir home;               // under /tmp: local disk
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");

    const QString data = home.path() + "/SARVEL";
    for (const char* dir : {"SONGS", "TEXTS", "ICONS", "TEMES"})
        QDir().mkpath(data + "/" + dir);
    QImage icon(32, 32, QImage::Format_RGB888);
    icon.fill(Qt::red);
    icon.save(data + "/ICONS/song.bmp", "BMP");
    writeFile(data + "/TEXTS/words.rtf",
              "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}\\f0\\fs28 {\\b First line}\\par second "
              "line\\par third line\\par}");
    // Ten seconds, loud from the first sample on.
    const QStringList files = {data + "/SONGS/song.wav", data + "/SONGS/song.mp3", data + "/SONGS/song.mid"};
    test::writeWav(files[0], test::tone(10 * 44100, 44100, 2, 0.9));
    test::encodeMp3(files[0], files[1], test::Mp3Kind::CbrWithoutXing);
    test::writeMidi(files[2], {{0, 10000, 0, 60, 127}, {0, 10000, 0, 64, 127}, {0, 10000, 0, 67, 127}});
    QString kitText = "[Section1]\n";
    for (int k = 0; k < 3; ++k)
        kitText += QStringLiteral("Button%1=Song %2\nText%1=%3/TEXTS/words.rtf\nSong%1=%4\nIcon%1=%3/ICONS/"
                                  "song.bmp\nVol%1=100\n")
                       .arg(k + 1)
                       .arg(Kinds[k], data, files[k]);
    const QString kit = data + "/TEMES/Click.vkt";
    writeFile(kit, kitText.toUtf8());

    test::MonitorRecorder recorder(qEnvironmentVariable("SARVEL_TEST_SINK") + ".monitor");
    XClicker clicker;
    Bench bench{recorder, clicker, {}};
    if (!bench.recorder.waitUntilFlowing(3s)) {
        std::fprintf(stderr, "no data from the sink's monitor\n");
        return 2;
    }
    for (const QString& f : files)
        bench.leadIn[f] = leadInMs(f);

    const QByteArray self = QFile::encodeName(QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath());
    struct Program {
        QString name;
        QByteArray path;
        bool bare = false;
    };
    std::vector<Program> programs;
    if (!before.isEmpty())
        programs.push_back({"sarvel before", before});
    programs.push_back({before.isEmpty() ? "sarvel" : "sarvel after", self});
    programs.push_back({"bare Qt + playbin", self, true});
    const bool gstPlay = GstPlay::available();
    std::map<QString, Figures> figures;
    auto key = [](const QString& program, int k) { return program + '/' + Kinds[k]; };
    const QByteArray sink = qgetenv("SARVEL_TEST_SINK");
    const QByteArray fullVolume = "pactl set-sink-volume " + sink + " 100%";

    // Warms the disk cache and the plug-in registry up, unmeasured.
    bench.gstPlay(files[0], figures["warm-up"]);

    std::printf("Click (X press) -> first sample at %s.monitor; %d rounds; lead-in subtracted (wav %.1f, "
                "mp3 %.1f, mid %.1f ms)\n",
                sink.constData(), rounds, bench.leadIn[files[0]], bench.leadIn[files[1]],
                bench.leadIn[files[2]]);
    for (int r = 0; r < rounds; ++r) {
        std::fprintf(stderr, "round %d/%d\n", r + 1, rounds);
        for (int k = 0; k < 3; ++k) {
            for (const Program& p : programs) {
                if (std::system(fullVolume.constData()) != 0)
                    std::fprintf(stderr, "cannot set the sink's volume\n");
                QList<QByteArray> args;
                if (p.bare) {
                    args << "--bare";
                    for (const QString& f : files)
                        args << QFile::encodeName(f);
                } else {
                    args << "--app" << QFile::encodeName(kit);
                }
                bench.session(p.path, args, k, files[k], 2, figures[key(p.name, k)]);
            }
            if (gstPlay) {
                if (std::system(fullVolume.constData()) != 0)
                    std::fprintf(stderr, "cannot set the sink's volume\n");
                bench.gstPlay(files[k], figures[key("gst-play-1.0 (start)", k)]);
            }
        }
    }

    std::printf("%-22s %-4s  %-20s    %-20s\n", "", "", "first click", "same button again");
    std::printf("%-22s %-4s  %7s %7s %4s    %7s %7s %4s\n", "program", "kind", "median", "p90", "n", "median",
                "p90", "n");
    std::vector<QString> names;
    for (const Program& p : programs)
        names.push_back(p.name);
    if (gstPlay)
        names.push_back("gst-play-1.0 (start)");
    for (const QString& name : names)
        for (int k = 0; k < 3; ++k)
            printRow(name, Kinds[k], figures[key(name, k)]);
    std::printf("targets (sarvel): wav <= 15, mp3 <= 20, mid <= 30 ms; first click within 2 ms of the "
                "others; mid p90 <= 40 ms\n");
    return 0;
}
