#pragma once

#include "MediaPlayer.h"
#include "MonitorRecorder.h"
#include "PrivateSink.h"

#include <QString>
#include <QStringList>

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace sarvel::bench {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to);
// "median 12.3 ms (min 10.1, max 20.2, n 10)", plus the target when one is given.
void report(const QString& what, const std::vector<double>& ms, double targetMs = 0);
// Runs the Qt event loop for `span`.
void spin(std::chrono::milliseconds span);
// Runs the event loop until the device stops playing.
void playToEnd(MediaPlayer& player);

// The sound server set-up every media benchmark shares: a private null sink on the server named
// by PULSE_SERVER and a recorder of its monitor. Exits the program with a message without one.
class SoundBench {
public:
    explicit SoundBench(bool record = true);
    QString sinkName() const { return sink_->name(); }
    QString sinkDescription() const { return "pulsesink device=" + sink_->name(); }
    test::MonitorRecorder& recorder() { return *recorder_; }

private:
    std::unique_ptr<test::PrivateSink> sink_;
    std::unique_ptr<test::MonitorRecorder> recorder_;
};

// How far into `file` its own first sound lies (an mp3 begins with the encoder's delay), found by
// decoding it as fast as possible: subtracted from the delays heard through the server.
double leadInMs(const QString& file, int threshold = 300);

// gst-play-1.0 on a terminal of its own (it takes keys only from a terminal), output drained.
class GstPlay {
public:
    static bool available();
    GstPlay(const QString& file, const QString& audioSink, bool interactive = true);
    ~GstPlay();
    GstPlay(const GstPlay&) = delete;
    GstPlay& operator=(const GstPlay&) = delete;

    Clock::time_point started() const { return started_; }
    void key(char c);
    // Waits for the program to end; its CPU time in ms, and the wall time since the start.
    struct Usage {
        double cpuMs = 0;
        double wallMs = 0;
    };
    Usage wait();

private:
    pid_t pid_ = -1;
    int terminal_ = -1;
    Clock::time_point started_;
    std::thread drain_;
};

} // namespace sarvel::bench
