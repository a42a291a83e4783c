#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <vector>

namespace sarvel::test {

// A PulseAudio server of the test's own, with null sinks, reached over a socket in a temporary
// folder. The user's sound server is never touched: point() aims this process's libpulse at it.
class PrivateSoundServer {
public:
    // Each entry is the argument list of one module-null-sink; the first sink is the default.
    // No entries: a server without any sink.
    explicit PrivateSoundServer(const QStringList& sinks = {QStringLiteral("sink_name=testsink")});
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    QString address() const { return "unix:" + socket_; }
    // Sets PULSE_SERVER of this process to the server.
    void point() const;

    // Raw volume of each channel, as the server reports it.
    std::vector<uint32_t> sinkVolumes(const QString& sink = QStringLiteral("testsink")) const;
    void setSinkVolume(uint32_t raw, const QString& sink = QStringLiteral("testsink")) const;
    // Polls the server until every channel of the sink holds `raw`; false after `ms`.
    bool waitForSinkVolume(uint32_t raw, int ms = 2000,
                           const QString& sink = QStringLiteral("testsink")) const;
    void setDefaultSink(const QString& sink) const;

    void kill();
    // Kills the server and starts a fresh one on the same socket, as a sound server restart does.
    void restart();
    void freeze();
    void thaw();

    QString pactl(const QStringList& args) const;

private:
    void start();

    QStringList sinks_;
    QTemporaryDir dir_;
    QString socket_;
    QProcess daemon_;
    bool frozen_ = false;
};

// Sets PULSE_SERVER for the life of the object and puts the old value back.
class PulseServerVariable {
public:
    explicit PulseServerVariable(const QString& address);
    ~PulseServerVariable();
    PulseServerVariable(const PulseServerVariable&) = delete;
    PulseServerVariable& operator=(const PulseServerVariable&) = delete;

private:
    QByteArray old_;
    bool had_;
};

} // namespace sarvel::test
