// Time from a volume setting (what a slider change does) to the sink reporting the new level,
// on a private sound server. Target: median ≤ 20 ms.
#include "Mixer.h"
#include "PrivateSoundServer.h"
#include "SinkObserver.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    constexpr int Changes = 100;
    try {
        sarvel::test::PrivateSoundServer server;
        server.point();
        sarvel::bench::SinkObserver observer("testsink");
        sarvel::Mixer mixer;
        if (!mixer.open()) {
            std::fprintf(stderr, "mixer_bench: the mixer did not open\n");
            return 1;
        }

        std::vector<double> ms;
        int lost = 0;
        int level = mixer.readLevel();
        for (int i = 0; i < Changes; ++i) {
            level = (level + 37) % 101; // always a new level
            const auto start = sarvel::bench::SinkObserver::Clock::now();
            mixer.setLevel(level);
            const auto seen =
                observer.waitFor(sarvel::Mixer::volumeFromLevel(level), std::chrono::seconds(1));
            if (!seen) {
                ++lost;
                continue;
            }
            ms.push_back(std::chrono::duration<double, std::milli>(*seen - start).count());
        }
        if (ms.empty()) {
            std::fprintf(stderr, "mixer_bench: the sink never reported a setting\n");
            return 1;
        }
        std::sort(ms.begin(), ms.end());
        const auto at = [&](double q) {
            return ms[std::min(ms.size() - 1, static_cast<size_t>(q * ms.size()))];
        };
        std::printf("mixer_bench: %zu settings seen, %d lost\n", ms.size(), lost);
        std::printf("setting -> sink reports it: median %.2f ms, p90 %.2f ms, max %.2f ms (target: median <= "
                    "20 ms)\n",
                    at(0.5), at(0.9), ms.back());
        return at(0.5) <= 20.0 && lost == 0 ? 0 : 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mixer_bench: %s\n", e.what());
        return 1;
    }
}
