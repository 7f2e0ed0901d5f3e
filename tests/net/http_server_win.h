// A small HTTP server on 127.0.0.1 for the transfer tests: it listens on a
// port the system picks, answers each connection with the next scripted
// response (raw bytes, status line included) and records the requests.
#pragma once
#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nettest {

struct ScriptedResponse {
    std::string bytes;       // status line, headers, blank line and body, sent as given
    size_t step = 0;         // when not 0, sent this many bytes at a time...
    unsigned pauseMs = 0;    // ...with this pause after each piece
};

class HttpServer {
public:
    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    uint16_t port() const { return port_; }
    std::string Url(const std::string& path) const;
    void Serve(std::string rawResponse);
    // As Serve, a few bytes at a time, for a download that takes a while.
    void ServeSlowly(std::string rawResponse, size_t step, unsigned pauseMs);
    // A response with the given body; with or without a Content-Length header.
    void ServeBody(const std::string& body, bool withLength = true, const std::string& extraHeaders = {});
    std::vector<std::string> Requests() const;

private:
    void Run();
    void Answer(SOCKET client);

    SOCKET listener_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::deque<ScriptedResponse> script_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens (bound, then released).
uint16_t ClosedPort();

}  // namespace nettest
