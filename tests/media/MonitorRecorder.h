#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct pa_simple;

namespace sarvel::test {

// Records a sound server's monitor source (what leaves a sink) on a thread of its own and
// notes when the first sound after arm() arrived, so that a test or benchmark can tell how
// long after a call the sound really started.
class MonitorRecorder {
public:
    using Clock = std::chrono::steady_clock;

    // `source`: e.g. "testsink.monitor". Throws when the server cannot be reached.
    explicit MonitorRecorder(const QString& source, int threshold = 300);
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    // Waits until the server delivers data (new streams may start late on a null sink).
    bool waitUntilFlowing(std::chrono::milliseconds limit);
    // Forgets the sound heard so far; the next sound is looked for from now on.
    void arm();
    std::optional<Clock::time_point> waitForSound(std::chrono::milliseconds limit) const;
    // Peak magnitude heard since arm().
    int peak() const { return peak_.load(); }
    // The longest silence between two sounds heard since arm(), in milliseconds.
    double longestGapMs() const;
    // The left channel heard since arm(), and when its first sample left the sink.
    std::vector<std::int16_t> heard(Clock::time_point* start) const;

private:
    void run();

    struct StreamFree {
        void operator()(pa_simple* stream) const;
    };
    std::unique_ptr<pa_simple, StreamFree> stream_;
    int threshold_;
    std::atomic<bool> quit_{false};
    std::atomic<bool> armed_{false};
    std::atomic<long long> chunks_{0};
    std::atomic<long long> firstSoundNs_{0};
    std::atomic<int> peak_{0};
    std::atomic<long long> longestGapFrames_{0};
    mutable std::mutex heardLock_;
    std::vector<std::int16_t> heard_;
    Clock::time_point heardStart_;
    std::thread thread_;
};

} // namespace sarvel::test
