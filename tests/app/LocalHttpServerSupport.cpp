#include "LocalHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace apptest {

LocalHttpServer::LocalHttpServer(std::map<std::string, Answer> answers) : answers_(std::move(answers))
{
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

LocalHttpServer::~LocalHttpServer()
{
    stop_ = true;
    thread_.join();
    close(listener_);
}

std::string LocalHttpServer::Address() const { return "http://127.0.0.1:" + std::to_string(port_); }

void LocalHttpServer::Serve()
{
    while (!stop_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (poll(&waiting, 1, 50) <= 0)
            continue;
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0)
            continue;
        Reply(client);
        close(client);
    }
}

void LocalHttpServer::Reply(int client)
{
    std::string request;
    char buffer[1024];
    // read the request head, at most a few seconds
    for (int rounds = 0; request.find("\r\n\r\n") == std::string::npos && rounds < 100; ++rounds) {
        pollfd readable{client, POLLIN, 0};
        if (poll(&readable, 1, 50) <= 0)
            continue;
        const ssize_t got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        request.append(buffer, static_cast<size_t>(got));
    }
    const size_t start = request.find(' ');
    const size_t end = request.find(' ', start + 1);
    const std::string path = start == std::string::npos ? "" : request.substr(start + 1, end - start - 1);
    const auto found = answers_.find(path);
    const Answer answer = found != answers_.end() ? found->second : Answer{404, "not found"};
    const std::string reply = "HTTP/1.1 " + std::to_string(answer.status) + (answer.status == 200 ? " OK" : " Error") +
                              "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(answer.body.size()) +
                              "\r\nConnection: close\r\n\r\n" + answer.body;
    size_t sent = 0;
    while (sent < reply.size()) {
        const ssize_t wrote = send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (wrote <= 0)
            return;
        sent += static_cast<size_t>(wrote);
    }
}

}  // namespace apptest
