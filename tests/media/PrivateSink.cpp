#include "PrivateSink.h"

#include <QProcess>
#include <QStringList>

namespace sarvel::test {

namespace {

QString pactl(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral("pactl"), args);
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

PrivateSink::PrivateSink(const QString& name) : name_(name) {
    bool ok = false;
    const int module = pactl({"load-module", "module-null-sink", "sink_name=" + name_}).trimmed().toInt(&ok);
    if (ok)
        module_ = module;
}

PrivateSink::~PrivateSink() {
    if (module_ >= 0)
        pactl({"unload-module", QString::number(module_)});
}

} // namespace sarvel::test
