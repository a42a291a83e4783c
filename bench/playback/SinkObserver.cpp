#include "SinkObserver.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

#include <stdexcept>

namespace sarvel::bench {

namespace {

void unref(pa_operation* op) {
    if (op)
        pa_operation_unref(op);
}

} // namespace

struct SinkObserver::Callbacks {
    static void state(pa_context* context, void* self) {
        auto* o = static_cast<SinkObserver*>(self);
        const pa_context_state_t s = pa_context_get_state(context);
        std::lock_guard lock(o->mutex_);
        o->ready_ = s == PA_CONTEXT_READY;
        o->failed_ = !PA_CONTEXT_IS_GOOD(s);
        o->changed_.notify_all();
    }

    static void event(pa_context*, pa_subscription_event_type_t type, uint32_t, void* self) {
        if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SINK)
            static_cast<SinkObserver*>(self)->query();
    }

    static void sink(pa_context*, const pa_sink_info* info, int eol, void* self) {
        if (eol != 0 || !info || info->volume.channels == 0)
            return;
        const auto now = Clock::now();
        auto* o = static_cast<SinkObserver*>(self);
        uint32_t v = info->volume.values[0];
        for (unsigned i = 1; i < info->volume.channels; ++i)
            if (info->volume.values[i] != v)
                v = UINT32_MAX - 1; // channels differ: no single level yet
        std::lock_guard lock(o->mutex_);
        if (v != o->volume_) {
            o->volume_ = v;
            o->seen_ = now;
        }
        o->changed_.notify_all();
    }
};

void SinkObserver::LoopDeleter::operator()(pa_threaded_mainloop* loop) const {
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
}

void SinkObserver::ContextDeleter::operator()(pa_context* context) const {
    pa_threaded_mainloop_lock(loop);
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_threaded_mainloop_unlock(loop);
}

SinkObserver::SinkObserver(std::string sink) : sink_(std::move(sink)) {
    loop_.reset(pa_threaded_mainloop_new());
    if (!loop_)
        throw std::runtime_error("no main loop");
    context_ = {pa_context_new(pa_threaded_mainloop_get_api(loop_.get()), "Sarvel mixer bench"),
                {loop_.get()}};
    if (!context_)
        throw std::runtime_error("no context");
    pa_context_set_state_callback(context_.get(), &Callbacks::state, this);
    pa_context_set_subscribe_callback(context_.get(), &Callbacks::event, this);
    pa_threaded_mainloop_lock(loop_.get());
    const int connected = pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    pa_threaded_mainloop_unlock(loop_.get());
    if (connected < 0 || pa_threaded_mainloop_start(loop_.get()) < 0)
        throw std::runtime_error("cannot connect to the sound server");
    {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::seconds(2), [this] { return ready_ || failed_; }) ||
            !ready_)
            throw std::runtime_error("the sound server did not answer");
    }
    pa_threaded_mainloop_lock(loop_.get());
    unref(pa_context_subscribe(context_.get(), PA_SUBSCRIPTION_MASK_SINK, nullptr, nullptr));
    query();
    pa_threaded_mainloop_unlock(loop_.get());
}

SinkObserver::~SinkObserver() = default;

void SinkObserver::query() {
    unref(pa_context_get_sink_info_by_name(context_.get(), sink_.c_str(), &Callbacks::sink, this));
}

std::optional<SinkObserver::Clock::time_point> SinkObserver::waitFor(uint32_t raw,
                                                                     std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, limit, [&] { return volume_ == raw; }))
        return std::nullopt;
    return seen_;
}

} // namespace sarvel::bench
