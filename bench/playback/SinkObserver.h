#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct pa_threaded_mainloop;
struct pa_context;

namespace sarvel::bench {

// A second client of the sound server that watches one sink's volume through change events and
// notes the moment each new volume is reported.
class SinkObserver {
public:
    using Clock = std::chrono::steady_clock;

    explicit SinkObserver(std::string sink); // throws std::runtime_error when it cannot watch
    ~SinkObserver();
    SinkObserver(const SinkObserver&) = delete;
    SinkObserver& operator=(const SinkObserver&) = delete;

    // When the sink was first seen at `raw` (every channel); nothing if not within `limit`.
    std::optional<Clock::time_point> waitFor(uint32_t raw, std::chrono::milliseconds limit);

private:
    struct Callbacks;
    struct LoopDeleter {
        void operator()(pa_threaded_mainloop* loop) const;
    };
    // Disconnects under the loop's lock, so it is safe on any path out, a throwing constructor's too.
    struct ContextDeleter {
        pa_threaded_mainloop* loop;
        void operator()(pa_context* context) const;
    };

    void query(); // on the loop's thread

    std::string sink_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ready_ = false;
    bool failed_ = false;
    uint32_t volume_ = UINT32_MAX;
    Clock::time_point seen_{};

    std::unique_ptr<pa_threaded_mainloop, LoopDeleter> loop_;
    std::unique_ptr<pa_context, ContextDeleter> context_{nullptr, {nullptr}};
};

} // namespace sarvel::bench
