#pragma once

#include <QString>

namespace sarvel::test {

// TCP addresses on the loopback where no sound server answers: one that refuses connections and
// one that accepts them (in the kernel's backlog) and never says a word.
class SilentPorts {
public:
    SilentPorts();

    QString refusedAddress() const { return refused_; }
    QString silentAddress() const { return silent_; }

private:
    // A TCP socket of our own, closed with its owner.
    struct Socket {
        Socket();
        ~Socket();
        Socket(const Socket&) = delete;
        Socket& operator=(const Socket&) = delete;
        int bindLoopback(); // returns the free port it got
        int fd;
    };

    Socket listener_;
    QString refused_;
    QString silent_;
};

} // namespace sarvel::test
