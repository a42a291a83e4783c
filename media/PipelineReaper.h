#pragma once

#include "GstPtr.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace sarvel {

// Runs the slow housekeeping of the media device on a thread of its own, in the order handed
// over: a pipeline's way down to NULL waits for its elements' threads (a MIDI synthesizer's
// deletion alone sleeps 100 ms), which the click that replaces the song must not wait for.
class PipelineReaper {
public:
    PipelineReaper() = default;
    // Finishes everything handed over first.
    ~PipelineReaper();
    PipelineReaper(const PipelineReaper&) = delete;
    PipelineReaper& operator=(const PipelineReaper&) = delete;

    // Brings `pipeline` down to NULL and releases it; `keep` is released after it, so what the
    // pipeline's threads may still read stays valid until they are gone.
    void retire(GstPtr<GstElement> pipeline, GCharPtr keep = {});
    void post(std::function<void()> job);
    // Returns once everything handed over so far has been done.
    void wait();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool quit_ = false;
    std::thread thread_; // started with the first job
};

} // namespace sarvel
