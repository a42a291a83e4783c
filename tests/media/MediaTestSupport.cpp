#include "MediaTestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <cstring>

namespace sarvel::test {

MediaLibrary& media() {
    static MediaLibrary library;
    return library;
}

QString recordingSink(const QString& rawPath, bool realTime) {
    return QStringLiteral("audioconvert ! audioresample ! audio/x-raw,format=S16LE,rate=44100 ! "
                          "filesink buffer-mode=unbuffered sync=%1 location=\"%2\"")
        .arg(realTime ? "true" : "false", rawPath);
}

Pcm readRecording(const QString& rawPath, int channels) {
    QFile file(rawPath);
    Pcm pcm{44100, channels, {}};
    if (!file.open(QIODevice::ReadOnly))
        return pcm;
    const QByteArray bytes = file.readAll();
    pcm.samples.resize(size_t(bytes.size() / 2));
    std::memcpy(pcm.samples.data(), bytes.constData(), pcm.samples.size() * 2);
    return pcm;
}

bool playToEnd(MediaPlayer& player, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (player.mode() == MediaPlayer::Mode::Playing) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

void spin(std::chrono::milliseconds span) {
    const auto deadline = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

double msBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace sarvel::test

// Read by sanitizer builds. GLib keeps a block from its library constructor (run when GStreamer
// first loads) where the leak checker cannot see it; GLib has no frame pointers, so finding that
// constructor on the stack takes the slow unwinder. Nothing of ours is hidden.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}
extern "C" const char* __lsan_default_suppressions() {
    return "leak:_dl_init\n";
}
