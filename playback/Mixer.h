#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_time_event;

namespace sarvel {

// The speakers' volume: the volume of the sound server's default output (sink), reached through
// libpulse on a threaded main loop. Levels are hundredths of the sink's normal (100 %) volume.
//
// The controlled sink is the server's default one, followed while the connection lives: when
// the user picks another default output (headphones plugged in), later settings go to it.
// Settings are fired and never waited for, so the GUI thread is never held up by the server;
// they reach the server in the order they were made. While the server is gone mid-run every
// step is a no-op; it is looked for again in the background, and once it is back (a restart of
// PulseAudio or PipeWire) it gets the last level set and every later one.
class Mixer {
public:
    // Whole budget of open(), reached even when the server never answers.
    static constexpr std::chrono::milliseconds OpenLimit{800};

    Mixer();
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // Connects and finds the default sink. False when there is no server, it does not answer in
    // time, or it has no default sink; the mixer is then closed.
    bool open();
    bool isOpen() const { return loop_ != nullptr; }

    // The default sink's level 0..100, asked of the server; the last known level when it does
    // not answer (0 when never opened).
    int readLevel();

    // Sets every channel of the default sink to `level` (clamped to 0..100) without waiting.
    void setLevel(int level) noexcept;

    // Lets the settings already made reach the server (briefly), then disconnects.
    void close();

    // The scale: hundredths of the normal volume, both ways rounded to the nearest whole number,
    // so that a level set reads back as the same level.
    static uint32_t volumeFromLevel(int level);
    static int levelFromVolume(double averageVolume);

private:
    struct Callbacks;
    struct LoopDeleter {
        void operator()(pa_threaded_mainloop* loop) const;
    };
    struct ContextDeleter {
        void operator()(pa_context* context) const;
    };

    bool connectAndFindSink();
    void sendLevel(pa_context* context, int level);
    void teardown();

    std::unique_ptr<pa_threaded_mainloop, LoopDeleter> loop_;
    std::unique_ptr<pa_context, ContextDeleter> context_;

    // The sink being controlled and the connection's recovery; changed on the loop's thread,
    // read under the loop's lock. The context, too, is replaced there when the server comes back.
    std::string sinkName_;
    uint8_t channels_ = 0;
    pa_time_event* retry_ = nullptr;
    bool restoreLevel_ = false;
    int lastSet_ = -1; // the last level set, -1 before any
    int lastLevel_ = 0;
};

} // namespace sarvel
