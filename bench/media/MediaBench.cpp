#include "MediaBench.h"

#include "MediaFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sarvel::bench {

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void report(const QString& what, const std::vector<double>& ms, double targetMs) {
    if (ms.empty()) {
        std::printf("%-58s no figures\n", qPrintable(what));
        return;
    }
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    std::printf("%-58s median %7.1f ms  (min %.1f, max %.1f, n %zu)", qPrintable(what), median,
                sorted.front(), sorted.back(), n);
    if (targetMs > 0)
        std::printf("  target <= %.0f: %s", targetMs, median <= targetMs ? "met" : "MISSED");
    std::printf("\n");
    std::fflush(stdout);
}

void spin(std::chrono::milliseconds span) {
    const auto deadline = Clock::now() + span;
    while (Clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

void playToEnd(MediaPlayer& player) {
    while (player.mode() == MediaPlayer::Mode::Playing) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

SoundBench::SoundBench(bool record) {
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        std::fprintf(stderr,
                     "PULSE_SERVER is not set: start a private sound server first (see the top of the "
                     "benchmark's source).\n");
        std::exit(2);
    }
    sink_ = std::make_unique<test::PrivateSink>(
        QStringLiteral("sarvel_media_bench_%1").arg(QCoreApplication::applicationPid()));
    if (!sink_->ready()) {
        std::fprintf(stderr, "cannot add a null sink to the sound server (is pactl installed?)\n");
        std::exit(2);
    }
    if (record) {
        recorder_ = std::make_unique<test::MonitorRecorder>(sink_->monitor());
        recorder_->waitUntilFlowing(std::chrono::seconds(3));
    }
}

double leadInMs(const QString& file, int threshold) {
    QTemporaryDir dir;
    const QString raw = dir.filePath("decoded.raw");
    MediaPlayer player;
    player.setAudioSink(
        QStringLiteral(
            "audioconvert ! audio/x-raw,format=S16LE,rate=44100,channels=2 ! filesink location=\"%1\"")
            .arg(raw));
    player.setFileName(file);
    player.Open();
    player.Play();
    playToEnd(player);
    player.Close();
    QFile in(raw);
    in.open(QIODevice::ReadOnly);
    const QByteArray bytes = in.readAll();
    test::Pcm pcm{44100, 2, std::vector<std::int16_t>(size_t(bytes.size() / 2))};
    std::memcpy(pcm.samples.data(), bytes.constData(), pcm.samples.size() * 2);
    return test::firstLoudSample(pcm, threshold) * 1000.0 / 44100;
}

bool GstPlay::available() {
    return !QStandardPaths::findExecutable("gst-play-1.0").isEmpty();
}

GstPlay::GstPlay(const QString& file, const QString& audioSink, bool interactive) {
    const QByteArray program = QFile::encodeName(QStandardPaths::findExecutable("gst-play-1.0"));
    const QByteArray sink = "--audiosink=" + audioSink.toUtf8();
    const QByteArray path = QFile::encodeName(file);
    started_ = Clock::now();
    pid_ = forkpty(&terminal_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
        const char* args[] = {program.constData(), "-q",    sink.constData(),
                              path.constData(),    nullptr, nullptr};
        if (!interactive)
            args[4] = "--no-interactive";
        execv(program.constData(), const_cast<char* const*>(args));
        _exit(127);
    }
    drain_ = std::thread([fd = terminal_] {
        char buffer[4096];
        while (read(fd, buffer, sizeof buffer) > 0) {
        }
    });
}

GstPlay::~GstPlay() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    // The drain ends when the terminal's other side has gone with the program.
    if (drain_.joinable())
        drain_.join();
    if (terminal_ >= 0)
        close(terminal_);
}

void GstPlay::key(char c) {
    if (write(terminal_, &c, 1) != 1)
        std::fprintf(stderr, "cannot type into gst-play-1.0\n");
}

GstPlay::Usage GstPlay::wait() {
    int status = 0;
    rusage usage{};
    wait4(pid_, &status, 0, &usage);
    pid_ = -1;
    Usage result;
    result.wallMs = msBetween(started_, Clock::now());
    result.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                   (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    return result;
}

} // namespace sarvel::bench
