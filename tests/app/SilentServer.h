#pragma once
// A server on 127.0.0.1 that takes connections and never answers: the
// kernel completes each connection into the listen queue, nobody reads.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace apptest {

class SilentServer {
public:
    SilentServer()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ >= 0 && ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::listen(listener_, 8) == 0 &&
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~SilentServer()
    {
        if (listener_ >= 0)
            ::close(listener_);
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    bool Listening() const { return port_ != 0; }
    std::string Address() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    int listener_ = -1;
    int port_ = 0;
};

}  // namespace apptest
