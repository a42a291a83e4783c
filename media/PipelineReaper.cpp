#include "PipelineReaper.h"

#include <future>

namespace sarvel {

PipelineReaper::~PipelineReaper() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void PipelineReaper::retire(GstPtr<GstElement> pipeline, GCharPtr keep) {
    if (!pipeline)
        return;
    // std::function needs a copyable callable: the handles travel as raw pointers.
    post([pipeline = pipeline.release(), keep = keep.release()] {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        g_free(keep);
    });
}

void PipelineReaper::post(std::function<void()> job) {
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
}

void PipelineReaper::wait() {
    std::promise<void> done;
    post([&done] { done.set_value(); });
    done.get_future().wait();
}

void PipelineReaper::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
        if (jobs_.empty())
            return; // quit, with nothing left to do
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}

} // namespace sarvel
