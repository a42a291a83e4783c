#include "SilentPorts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace sarvel::test {

namespace {

QString tcp(int port) {
    return QStringLiteral("tcp:127.0.0.1:%1").arg(port);
}

} // namespace

SilentPorts::Socket::Socket() : fd(socket(AF_INET, SOCK_STREAM, 0)) {
    if (fd < 0)
        throw std::runtime_error("test: no socket");
}

SilentPorts::Socket::~Socket() {
    ::close(fd);
}

int SilentPorts::Socket::bindLoopback() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("test: no loopback port");
    return ntohs(address.sin_port);
}

SilentPorts::SilentPorts() {
    {
        // Bound, then closed: the port is free and refuses.
        Socket probe;
        refused_ = tcp(probe.bindLoopback());
    }
    silent_ = tcp(listener_.bindLoopback());
    if (listen(listener_.fd, 8) != 0)
        throw std::runtime_error("test: cannot listen on the loopback");
}

} // namespace sarvel::test
