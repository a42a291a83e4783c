#include "Mixer.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/operation.h>
#include <pulse/rtclock.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <pulse/volume.h>

#include <algorithm>
#include <cmath>

namespace sarvel {

namespace {

// A later read gets less time than the whole start-up budget: it only runs on a live connection.
constexpr std::chrono::milliseconds ReadLimit{500};
// How long closing lets the last settings (the exit's fade to 1) reach the server.
constexpr std::chrono::milliseconds DrainLimit{300};
// How often a lost server is looked for again: a restart of the sound server takes about a second.
constexpr std::chrono::milliseconds RetryEvery{500};

class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
    ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

struct OperationDeleter {
    void operator()(pa_operation* op) const { pa_operation_unref(op); }
};
using Operation = std::unique_ptr<pa_operation, OperationDeleter>;

// Wakes the waiting thread once the time is up, so no wait outlasts its budget even when the
// server never says a word. Made and freed under the loop's lock.
class Deadline {
public:
    Deadline(pa_threaded_mainloop* loop, pa_context* context, std::chrono::microseconds in) : loop_(loop) {
        event_ = pa_context_rttime_new(context, pa_rtclock_now() + static_cast<pa_usec_t>(in.count()), &fire,
                                       this);
    }
    ~Deadline() {
        if (event_)
            pa_threaded_mainloop_get_api(loop_)->time_free(event_);
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

    bool passed() const { return passed_ || !event_; }

    // Waits on the loop until `done` holds; false when the time ran out first.
    template <class Done> bool waitUntil(Done done) const {
        while (!done()) {
            if (passed())
                return false;
            pa_threaded_mainloop_wait(loop_);
        }
        return true;
    }

    // Waits for a query whose answer lands in the caller's frame. An unanswered query is
    // cancelled, so its callback can never write into a frame that has returned.
    bool finish(Operation op) const {
        if (!op)
            return false;
        const bool answered =
            waitUntil([&] { return pa_operation_get_state(op.get()) != PA_OPERATION_RUNNING; });
        if (!answered)
            pa_operation_cancel(op.get());
        return answered && pa_operation_get_state(op.get()) == PA_OPERATION_DONE;
    }

private:
    static void fire(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
        auto* d = static_cast<Deadline*>(self);
        d->passed_ = true;
        pa_threaded_mainloop_signal(d->loop_, 0);
    }

    pa_threaded_mainloop* loop_;
    pa_time_event* event_ = nullptr;
    bool passed_ = false;
};

double averageVolume(const pa_cvolume& v) {
    if (v.channels == 0)
        return 0;
    double sum = 0;
    for (unsigned i = 0; i < v.channels; ++i)
        sum += v.values[i];
    return sum / v.channels;
}

} // namespace

// libpulse calls these on the loop's thread with the lock held.
struct Mixer::Callbacks {
    struct ServerQuery {
        pa_threaded_mainloop* loop;
        std::string defaultSink;
    };
    struct SinkQuery {
        explicit SinkQuery(pa_threaded_mainloop* l) : loop(l) {}
        pa_threaded_mainloop* loop;
        bool found = false;
        std::string name;
        uint8_t channels = 0;
        double average = 0;
    };

    static void signalLoop(pa_context*, void* loop) {
        pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
    }

    static void serverInfo(pa_context*, const pa_server_info* info, void* userdata) {
        auto* q = static_cast<ServerQuery*>(userdata);
        if (info && info->default_sink_name)
            q->defaultSink = info->default_sink_name;
        pa_threaded_mainloop_signal(q->loop, 0);
    }

    static void sinkInfo(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
        auto* q = static_cast<SinkQuery*>(userdata);
        if (eol == 0 && info) {
            q->found = true;
            q->name = info->name;
            q->channels = info->volume.channels;
            q->average = averageVolume(info->volume);
            return;
        }
        pa_threaded_mainloop_signal(q->loop, 0);
    }

    // Following the default sink: a server change may name another default.
    static void event(pa_context* context, pa_subscription_event_type_t type, uint32_t, void* mixer) {
        if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SERVER)
            Operation(pa_context_get_server_info(context, &followServer, mixer));
    }

    static void followServer(pa_context* context, const pa_server_info* info, void* mixer) {
        auto* m = static_cast<Mixer*>(mixer);
        if (info && info->default_sink_name && m->sinkName_ != info->default_sink_name)
            Operation(pa_context_get_sink_info_by_name(context, info->default_sink_name, &followSink, mixer));
    }

    static void followSink(pa_context* context, const pa_sink_info* info, int eol, void* mixer) {
        if (eol != 0 || !info || info->volume.channels == 0)
            return;
        auto* m = static_cast<Mixer*>(mixer);
        m->sinkName_ = info->name;
        m->channels_ = info->volume.channels;
        // A server that came back starts at its own level: the slider's last setting is put back.
        if (m->restoreLevel_ && m->lastSet_ >= 0)
            m->sendLevel(context, m->lastSet_);
        m->restoreLevel_ = false;
    }

    // The connection broke (the sound server stopped or restarted): look for it again later.
    static void watch(pa_context* context, void* mixer) {
        auto* m = static_cast<Mixer*>(mixer);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            pa_context_set_subscribe_callback(context, &event, mixer);
            Operation(pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr));
            Operation(pa_context_get_server_info(context, &followServer, mixer));
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            m->sinkName_.clear();
            m->channels_ = 0;
            m->restoreLevel_ = true;
            if (!m->retry_)
                m->retry_ = pa_context_rttime_new(
                    context, pa_rtclock_now() + std::chrono::microseconds(RetryEvery).count(), &retry, mixer);
            break;
        default:
            break;
        }
    }

    // A fresh connection in place of the broken one; it fails again at once while nothing listens.
    static void retry(pa_mainloop_api* api, pa_time_event* e, const struct timeval*, void* mixer) {
        auto* m = static_cast<Mixer*>(mixer);
        api->time_free(e);
        m->retry_ = nullptr;
        pa_context* context = pa_context_new(api, "Sarvel");
        if (!context)
            return;
        m->context_.reset(context);
        pa_context_set_state_callback(context, &watch, mixer);
        pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    }
};

void Mixer::LoopDeleter::operator()(pa_threaded_mainloop* loop) const {
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
}

void Mixer::ContextDeleter::operator()(pa_context* context) const {
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
}

Mixer::Mixer() = default;

Mixer::~Mixer() {
    close();
}

uint32_t Mixer::volumeFromLevel(int level) {
    const int p = std::clamp(level, 0, 100);
    return static_cast<uint32_t>(std::lround(p * static_cast<double>(PA_VOLUME_NORM) / 100.0));
}

int Mixer::levelFromVolume(double averageVolume) {
    const long p = std::lround(averageVolume * 100.0 / PA_VOLUME_NORM);
    return static_cast<int>(std::clamp(p, 0L, 100L));
}

bool Mixer::open() {
    close();
    loop_.reset(pa_threaded_mainloop_new());
    if (!loop_)
        return false;
    context_.reset(pa_context_new(pa_threaded_mainloop_get_api(loop_.get()), "Sarvel"));
    if (!context_ || pa_threaded_mainloop_start(loop_.get()) < 0) {
        teardown();
        return false;
    }
    bool found = false;
    {
        LoopLock lock(loop_.get());
        found = connectAndFindSink();
    }
    if (!found)
        teardown();
    return found;
}

// Runs with the loop's lock held.
bool Mixer::connectAndFindSink() {
    pa_threaded_mainloop* loop = loop_.get();
    pa_context* context = context_.get();
    Deadline deadline(loop, context, OpenLimit);

    // Never start a server of our own: no answer means no mixer.
    pa_context_set_state_callback(context, &Callbacks::signalLoop, loop);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    // Over TCP a refused connection only shows later, as the FAILED state.
    const bool settled = deadline.waitUntil([&] {
        const pa_context_state_t s = pa_context_get_state(context);
        return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
    });
    if (!settled || pa_context_get_state(context) != PA_CONTEXT_READY)
        return false;

    Callbacks::ServerQuery server{loop, {}};
    if (!deadline.finish(Operation(pa_context_get_server_info(context, &Callbacks::serverInfo, &server))) ||
        server.defaultSink.empty())
        return false;

    Callbacks::SinkQuery sink{loop};
    if (!deadline.finish(Operation(pa_context_get_sink_info_by_name(context, server.defaultSink.c_str(),
                                                                    &Callbacks::sinkInfo, &sink))) ||
        !sink.found || sink.channels == 0)
        return false;

    sinkName_ = sink.name;
    channels_ = sink.channels;
    lastLevel_ = levelFromVolume(sink.average);
    pa_context_set_subscribe_callback(context, &Callbacks::event, this);
    Operation(pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr));
    pa_context_set_state_callback(context, &Callbacks::watch, this);
    return true;
}

int Mixer::readLevel() {
    if (!loop_)
        return lastLevel_;
    LoopLock lock(loop_.get());
    if (pa_context_get_state(context_.get()) != PA_CONTEXT_READY)
        return lastLevel_;
    Deadline deadline(loop_.get(), context_.get(), ReadLimit);
    Callbacks::SinkQuery sink{loop_.get()};
    if (deadline.finish(Operation(pa_context_get_sink_info_by_name(context_.get(), sinkName_.c_str(),
                                                                   &Callbacks::sinkInfo, &sink))) &&
        sink.found)
        lastLevel_ = levelFromVolume(sink.average);
    return lastLevel_;
}

void Mixer::setLevel(int level) noexcept {
    if (!loop_)
        return;
    LoopLock lock(loop_.get());
    lastSet_ = std::clamp(level, 0, 100);
    if (pa_context_get_state(context_.get()) == PA_CONTEXT_READY)
        sendLevel(context_.get(), lastSet_);
}

// Runs with the loop's lock held.
void Mixer::sendLevel(pa_context* context, int level) {
    if (channels_ == 0)
        return;
    pa_cvolume volume;
    pa_cvolume_set(&volume, channels_, volumeFromLevel(level));
    // One connection carries the requests in the order they were made; nobody waits for the reply.
    Operation(pa_context_set_sink_volume_by_name(context, sinkName_.c_str(), &volume, nullptr, nullptr));
}

void Mixer::close() {
    if (loop_) {
        LoopLock lock(loop_.get());
        pa_context* context = context_.get();
        if (pa_context_get_state(context) == PA_CONTEXT_READY && pa_context_is_pending(context)) {
            Deadline deadline(loop_.get(), context, DrainLimit);
            deadline.finish(Operation(pa_context_drain(context, &Callbacks::signalLoop, loop_.get())));
        }
    }
    teardown();
}

void Mixer::teardown() {
    if (loop_) {
        LoopLock lock(loop_.get());
        if (retry_)
            pa_threaded_mainloop_get_api(loop_.get())->time_free(retry_);
        retry_ = nullptr;
        context_.reset();
    }
    loop_.reset();
    sinkName_.clear();
    channels_ = 0;
    lastSet_ = -1;
    restoreLevel_ = false;
}

} // namespace sarvel
