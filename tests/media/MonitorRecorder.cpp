#include "MonitorRecorder.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace sarvel::test {

namespace {

constexpr int Rate = 44100;
constexpr int Channels = 2;
// Small reads keep the arrival time of each sample within about two milliseconds.
constexpr int ChunkFrames = 88;

} // namespace

MonitorRecorder::MonitorRecorder(const QString& source, int threshold) : threshold_(threshold) {
    const pa_sample_spec format{PA_SAMPLE_S16LE, Rate, Channels};
    pa_buffer_attr attr;
    attr.maxlength = std::uint32_t(-1);
    attr.tlength = std::uint32_t(-1);
    attr.prebuf = std::uint32_t(-1);
    attr.minreq = std::uint32_t(-1);
    attr.fragsize = std::uint32_t(pa_usec_to_bytes(2000, &format));
    int error = 0;
    stream_.reset(pa_simple_new(nullptr, "sarvel-monitor", PA_STREAM_RECORD, source.toUtf8().constData(),
                                "monitor", &format, nullptr, &attr, &error));
    if (!stream_)
        throw std::runtime_error(std::string("cannot record ") + source.toStdString() + ": " +
                                 pa_strerror(error));
    thread_ = std::thread([this] { run(); });
}

MonitorRecorder::~MonitorRecorder() {
    quit_ = true;
    thread_.join();
}

void MonitorRecorder::StreamFree::operator()(pa_simple* stream) const {
    pa_simple_free(stream);
}

void MonitorRecorder::run() {
    std::vector<std::int16_t> chunk(ChunkFrames * Channels);
    long long silentFrames = 0; // since the last sound
    while (!quit_) {
        int error = 0;
        if (pa_simple_read(stream_.get(), chunk.data(), chunk.size() * 2, &error) < 0)
            return;
        const auto arrived = Clock::now();
        ++chunks_;
        if (!armed_)
            continue;
        {
            const std::lock_guard lock(heardLock_);
            if (heard_.empty())
                heardStart_ = arrived - std::chrono::nanoseconds(ChunkFrames * 1'000'000'000LL / Rate);
            for (int frame = 0; frame < ChunkFrames; ++frame)
                heard_.push_back(chunk[size_t(frame * Channels)]);
        }
        for (int frame = 0; frame < ChunkFrames; ++frame) {
            bool loud = false;
            for (int channel = 0; channel < Channels; ++channel) {
                const int magnitude = std::abs(int(chunk[size_t(frame * Channels + channel)]));
                if (magnitude > peak_)
                    peak_ = magnitude;
                loud = loud || magnitude > threshold_;
            }
            if (firstSoundNs_ == 0) {
                silentFrames = 0;
                if (!loud)
                    continue;
                // The sample left the sink this long before the chunk holding it was complete.
                const auto framesAfter = static_cast<long long>(ChunkFrames - frame);
                const auto at = arrived - std::chrono::nanoseconds(framesAfter * 1'000'000'000LL / Rate);
                firstSoundNs_ =
                    std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
            } else if (loud) {
                // A silence counts only once a sound follows it, so the end of a song is no gap.
                longestGapFrames_ = std::max(longestGapFrames_.load(), silentFrames);
                silentFrames = 0;
            } else {
                ++silentFrames;
            }
        }
    }
}

bool MonitorRecorder::waitUntilFlowing(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    const long long start = chunks_;
    // About a tenth of a second of steady data.
    while (chunks_ - start < 50) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void MonitorRecorder::arm() {
    armed_ = false;
    firstSoundNs_ = 0;
    peak_ = 0;
    longestGapFrames_ = 0;
    {
        const std::lock_guard lock(heardLock_);
        heard_.clear();
    }
    armed_ = true;
}

double MonitorRecorder::longestGapMs() const {
    return longestGapFrames_ * 1000.0 / Rate;
}

std::vector<std::int16_t> MonitorRecorder::heard(Clock::time_point* start) const {
    const std::lock_guard lock(heardLock_);
    *start = heardStart_;
    return heard_;
}

std::optional<MonitorRecorder::Clock::time_point>
MonitorRecorder::waitForSound(std::chrono::milliseconds limit) const {
    const auto deadline = Clock::now() + limit;
    while (firstSoundNs_ == 0) {
        if (Clock::now() > deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return Clock::time_point(std::chrono::nanoseconds(firstSoundNs_.load()));
}

} // namespace sarvel::test
