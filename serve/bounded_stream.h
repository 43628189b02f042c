#pragma once

#include <httplib.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// How much of a request a connection takes, and how long it waits.
struct ConnectionLimits {
    // The request line, the headers and anything after them until the
    // response starts: a request of the page's API has no body, so this
    // bounds the whole request.
    size_t headBytes = 16 * 1024;
    std::chrono::milliseconds headTime{10000};  // from the request's first byte
    std::chrono::milliseconds readTimeout{5000};
    std::chrono::milliseconds writeTimeout{10000};
};

// One client's connection as the HTTP library reads and writes it, with the
// bounds of ConnectionLimits kept for each request: once a request has given
// more than headBytes, or taken longer than headTime, before its response
// starts, every further read fails (and HeadOverflowed says so). Reads are
// buffered; writes never raise SIGPIPE.
class BoundedSocketStream final : public httplib::Stream {
  public:
    BoundedSocketStream(socket_t socket, const ConnectionLimits& limits);

    // Waits up to `wait` for the next request to begin (or the client to
    // close), asking `keepWaiting` every 100 ms. False when nothing came.
    bool WaitForRequest(std::chrono::milliseconds wait, const std::function<bool()>& keepWaiting);
    // A new request begins: its bounds start again.
    void StartRequest();
    bool HeadOverflowed() const { return m_overflowed; }
    // Bytes written since the request began.
    size_t WrittenSinceStart() const { return m_written; }
    // False once the client has closed its side or the connection failed.
    bool ClientThere() const;

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return m_socket; }

  private:
    // Waits for `events` up to `timeout`; true when they came.
    bool Wait(short events, std::chrono::milliseconds timeout) const;

    socket_t m_socket;
    ConnectionLimits m_limits;
    std::vector<char> m_buffer;
    size_t m_bufferStart = 0;
    size_t m_bufferEnd = 0;
    size_t m_taken = 0;  // bytes handed out since the request began
    size_t m_written = 0;
    bool m_headDone = false;  // the response has started: the head bounds no longer apply
    bool m_overflowed = false;
    std::chrono::steady_clock::time_point m_requestStart;
};
