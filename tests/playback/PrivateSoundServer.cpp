#include "PrivateSoundServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <signal.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/types.h>

namespace sarvel::test {

namespace {

QProcessEnvironment clientEnvironment(const QString& address) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PULSE_SERVER", address);
    return env;
}

} // namespace

PrivateSoundServer::PrivateSoundServer(const QStringList& sinks) : sinks_(sinks) {
    if (!dir_.isValid())
        throw std::runtime_error("test: no temporary folder for the sound server");
    const QString root = dir_.path();
    for (const char* sub : {"run/pulse", "state", "home"})
        QDir().mkpath(root + "/" + sub);
    socket_ = root + "/run/pulse/native";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", root + "/home");
    env.insert("XDG_RUNTIME_DIR", root + "/run");
    env.insert("PULSE_RUNTIME_PATH", root + "/run/pulse");
    env.insert("PULSE_STATE_PATH", root + "/state");
    env.remove("PULSE_SERVER");
    daemon_.setProcessEnvironment(env);
    daemon_.setStandardOutputFile(QProcess::nullDevice());
    daemon_.setStandardErrorFile(QProcess::nullDevice());
    // A test that crashes takes its server with it.
    daemon_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    start();
}

void PrivateSoundServer::start() {
    const QString root = dir_.path();
    QStringList args{"--daemonize=no",      "--exit-idle-time=-1",
                     "--disallow-exit=yes", "-n",
                     "--use-pid-file=no",   "--log-target=file:" + root + "/pulse.log",
                     "--log-level=error"};
    for (const QString& sink : sinks_)
        args << "--load=module-null-sink " + sink;
    args << "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket_;
    daemon_.start("pulseaudio", args);
    if (!daemon_.waitForStarted(5000))
        throw std::runtime_error("test: pulseaudio did not start");

    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QProcess probe;
        probe.setProcessEnvironment(clientEnvironment(address()));
        probe.start("pactl", {"info"});
        if (probe.waitForFinished(2000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0)
            break;
        if (clock.elapsed() > 10000 || daemon_.state() != QProcess::Running)
            throw std::runtime_error("test: the private sound server did not answer");
        QThread::msleep(50);
    }
    if (!sinks_.isEmpty())
        setDefaultSink(sinks_.first().section('=', 1).section(' ', 0, 0));
}

PrivateSoundServer::~PrivateSoundServer() {
    if (daemon_.state() == QProcess::NotRunning)
        return;
    thaw();
    daemon_.terminate();
    if (!daemon_.waitForFinished(3000)) {
        daemon_.kill();
        daemon_.waitForFinished(3000);
    }
}

void PrivateSoundServer::point() const {
    qputenv("PULSE_SERVER", address().toLocal8Bit());
}

QString PrivateSoundServer::pactl(const QStringList& args) const {
    QProcess p;
    p.setProcessEnvironment(clientEnvironment(address()));
    p.start("pactl", args);
    if (!p.waitForFinished(5000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error("test: pactl " + args.join(' ').toStdString() +
                                 " failed: " + p.readAllStandardError().toStdString());
    return QString::fromUtf8(p.readAllStandardOutput());
}

std::vector<uint32_t> PrivateSoundServer::sinkVolumes(const QString& sink) const {
    // "Volume: front-left: 24248 /  37% / -25.91 dB,   front-right: 24248 /  37% / -25.91 dB"
    const QString text = pactl({"get-sink-volume", sink});
    static const QRegularExpression raw(QStringLiteral(":\\s*(\\d+)\\s*/"));
    std::vector<uint32_t> volumes;
    for (auto it = raw.globalMatch(text); it.hasNext();)
        volumes.push_back(it.next().captured(1).toUInt());
    if (volumes.empty())
        throw std::runtime_error("test: no volume in: " + text.toStdString());
    return volumes;
}

void PrivateSoundServer::setSinkVolume(uint32_t raw, const QString& sink) const {
    pactl({"set-sink-volume", sink, QString::number(raw)});
}

bool PrivateSoundServer::waitForSinkVolume(uint32_t raw, int ms, const QString& sink) const {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const std::vector<uint32_t> v = sinkVolumes(sink);
        if (std::all_of(v.begin(), v.end(), [raw](uint32_t x) { return x == raw; }))
            return true;
        if (clock.elapsed() > ms)
            return false;
        QThread::msleep(10);
    }
}

void PrivateSoundServer::setDefaultSink(const QString& sink) const {
    pactl({"set-default-sink", sink});
}

void PrivateSoundServer::kill() {
    daemon_.kill();
    daemon_.waitForFinished(3000);
}

void PrivateSoundServer::restart() {
    kill();
    QFile::remove(socket_);
    start();
}

void PrivateSoundServer::freeze() {
    ::kill(static_cast<pid_t>(daemon_.processId()), SIGSTOP);
    frozen_ = true;
}

void PrivateSoundServer::thaw() {
    if (frozen_)
        ::kill(static_cast<pid_t>(daemon_.processId()), SIGCONT);
    frozen_ = false;
}

PulseServerVariable::PulseServerVariable(const QString& address)
    : old_(qgetenv("PULSE_SERVER")), had_(qEnvironmentVariableIsSet("PULSE_SERVER")) {
    qputenv("PULSE_SERVER", address.toLocal8Bit());
}

PulseServerVariable::~PulseServerVariable() {
    if (had_)
        qputenv("PULSE_SERVER", old_);
    else
        qunsetenv("PULSE_SERVER");
}

} // namespace sarvel::test
