#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "serve/search_server.h"

namespace serve_testing {

// A server the test starts on a free loopback port and stops with the object.
class RunningServer {
  public:
    RunningServer(ServeSettings settings, DrawingSearch& search) {
        settings.listen = {.host = "127.0.0.1", .port = 0};
        m_server = std::make_unique<SearchServer>(std::move(settings), search);
        std::string error;
        m_bound = m_server->Bind(error);
        if (m_bound) m_thread = std::thread([this] { m_server->Serve(); });
    }
    ~RunningServer() {
        m_server->Stop();
        if (m_thread.joinable()) m_thread.join();
    }
    bool Bound() const { return m_bound; }
    int Port() const { return m_server->Port(); }

  private:
    std::unique_ptr<SearchServer> m_server;
    std::thread m_thread;
    bool m_bound = false;
};

// A socket connected to the server's port (-1 when the connection failed).
inline int Connect(int port) {
    int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(socket);
        return -1;
    }
    return socket;
}

// Everything the server sends until it closes the connection or stays quiet
// for `quiet`.
inline std::string ReadUntilQuiet(int socket, std::chrono::milliseconds quiet) {
    std::string received;
    char buffer[8192];
    for (;;) {
        pollfd entry{.fd = socket, .events = POLLIN, .revents = 0};
        if (poll(&entry, 1, static_cast<int>(quiet.count())) <= 0) break;
        ssize_t n = recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        received.append(buffer, static_cast<size_t>(n));
    }
    return received;
}

// Sends `request` as it is on a new connection and gives what comes back.
inline std::string RawExchange(int port, const std::string& request,
                               std::chrono::milliseconds quiet = std::chrono::milliseconds(2000)) {
    int socket = Connect(port);
    if (socket < 0) return "(no connection)";
    for (size_t sent = 0; sent < request.size();) {
        ssize_t n = send(socket, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;  // the server closed early: read what it said
        sent += static_cast<size_t>(n);
    }
    std::string response = ReadUntilQuiet(socket, quiet);
    close(socket);
    return response;
}

// The status code of a raw response ("HTTP/1.1 404 Not Found" gives 404); 0
// for none.
inline int StatusOf(const std::string& response) {
    if (response.rfind("HTTP/1.1 ", 0) != 0 || response.size() < 12) return 0;
    return std::stoi(response.substr(9, 3));
}

// A GET of `target` on a new connection, closed after it.
inline std::string RawGet(int port, const std::string& target) {
    return RawExchange(port, "GET " + target +
                                 " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                 "Connection: close\r\n\r\n");
}

}  // namespace serve_testing
