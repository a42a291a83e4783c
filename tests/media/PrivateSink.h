#pragma once

#include <QString>

namespace sarvel::test {

// A null sink of the caller's own on the sound server named by PULSE_SERVER, so that no other
// program's sound or volume change reaches what it records from the sink's monitor.
// Removed again when the object goes.
class PrivateSink {
public:
    explicit PrivateSink(const QString& name);
    ~PrivateSink();
    PrivateSink(const PrivateSink&) = delete;
    PrivateSink& operator=(const PrivateSink&) = delete;

    bool ready() const { return module_ >= 0; }
    QString name() const { return name_; }
    QString monitor() const { return name_ + ".monitor"; }

private:
    QString name_;
    int module_ = -1;
};

} // namespace sarvel::test
