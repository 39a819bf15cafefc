#pragma once
// A tiny HTTP server on 127.0.0.1 for download tests: answers each request
// for a known path with its status and body, anything else with 404. It
// serves from its own thread until destroyed.
#include <atomic>
#include <map>
#include <string>
#include <thread>

namespace apptest {

class LocalHttpServer {
public:
    struct Answer {
        int status = 200;
        std::string body;
    };
    explicit LocalHttpServer(std::map<std::string, Answer> answers);
    ~LocalHttpServer();
    // "http://127.0.0.1:<port>"
    std::string Address() const;
    int Port() const { return port_; }

private:
    void Serve();
    void Reply(int client);

    std::map<std::string, Answer> answers_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace apptest
