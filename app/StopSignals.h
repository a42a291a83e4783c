#pragma once

#include <QObject>

#include <array>
#include <csignal>
#include <functional>

class QSocketNotifier;

namespace sarvel {

// SIGTERM, SIGINT and SIGHUP (a logout, a shutdown, the power button, Ctrl+C in a terminal) ask
// the program to stop. Instead of dying on the spot and losing the settings, the request reaches
// `onStop` on the GUI thread, from whichever event loop is running, so the run can end as a click
// on the close box ends it. A signal that was ignored when the program started stays ignored
// (nohup). The previous handlers are restored on destruction. One per program.
class StopSignals : public QObject {
public:
    explicit StopSignals(std::function<void()> onStop, QObject* parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // True once a stop has been requested.
    bool requested() const { return requested_; }

private:
    void drain();

    static constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

    std::function<void()> onStop_;
    int readEnd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::array<struct sigaction, kSignals.size()> previous_{};
    std::array<bool, kSignals.size()> installed_{};
    bool requested_ = false;
};

} // namespace sarvel
