#include "tests/net/http_server_win.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdlib>

namespace nettest {
namespace {

struct WinsockStartup {
    WinsockStartup() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

void EnsureWinsock() { static WinsockStartup once; }

SOCKET ListenOnLoopback(uint16_t& port) {
    EnsureWinsock();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(s, 8);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
}

// Length of the request body named by its Content-Length header, if any.
size_t RequestBodyLength(const std::string& head) {
    std::string lower = head;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    const size_t at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) return 0;
    return static_cast<size_t>(std::strtoul(head.c_str() + at + 17, nullptr, 10));
}

}  // namespace

HttpServer::HttpServer() {
    listener_ = ListenOnLoopback(port_);
    thread_ = std::thread([this] { Run(); });
}

HttpServer::~HttpServer() {
    stop_ = true;
    closesocket(listener_);
    thread_.join();
}

std::string HttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpServer::Serve(std::string rawResponse) {
    std::lock_guard lock(mutex_);
    script_.push_back({std::move(rawResponse), 0, 0});
}

void HttpServer::ServeSlowly(std::string rawResponse, size_t step, unsigned pauseMs) {
    std::lock_guard lock(mutex_);
    script_.push_back({std::move(rawResponse), step, pauseMs});
}

void HttpServer::ServeBody(const std::string& body, bool withLength, const std::string& extraHeaders) {
    std::string response = "HTTP/1.0 200 OK\r\nServer: tovi-test\r\n" + extraHeaders;
    if (withLength) response += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    Serve(response + "\r\n" + body);
}

std::vector<std::string> HttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void HttpServer::Run() {
    while (!stop_) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener_, &readable);
        timeval wait{0, 50 * 1000};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        Answer(client);
        closesocket(client);
    }
}

void HttpServer::Answer(SOCKET client) {
    // A client that never finishes its request (a TLS handshake, say) is dropped.
    const DWORD waitMs = 2000;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&waitMs), sizeof waitMs);
    std::string request;
    char buffer[4096];
    size_t headEnd = std::string::npos;
    while (headEnd == std::string::npos) {
        const int n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, static_cast<size_t>(n));
        headEnd = request.find("\r\n\r\n");
    }
    const size_t total = headEnd + 4 + RequestBodyLength(request.substr(0, headEnd + 2));
    while (request.size() < total) {
        const int n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
    }
    ScriptedResponse response{"HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n", 0, 0};
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        if (!script_.empty()) {
            response = std::move(script_.front());
            script_.pop_front();
        }
    }
    size_t sent = 0;
    while (sent < response.bytes.size() && !stop_) {
        size_t piece = response.bytes.size() - sent;
        if (response.step) piece = std::min(piece, response.step);
        const int n = send(client, response.bytes.data() + sent, static_cast<int>(piece), 0);
        if (n <= 0) break;   // the client went away
        sent += static_cast<size_t>(n);
        if (response.pauseMs && sent < response.bytes.size()) Sleep(response.pauseMs);
    }
    shutdown(client, SD_SEND);
    // Let the client read everything before the socket goes away.
    while (recv(client, buffer, sizeof buffer, 0) > 0) {
    }
}

uint16_t ClosedPort() {
    uint16_t port = 0;
    SOCKET s = ListenOnLoopback(port);
    closesocket(s);
    return port;
}

}  // namespace nettest
