#include "serve/bounded_stream.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace {

constexpr size_t kBufferBytes = 4096;

void AddressOf(const sockaddr_storage& address, socklen_t length, std::string& ip, int& port) {
    char host[NI_MAXHOST];
    char service[NI_MAXSERV];
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof host, service,
                    sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        return;
    }
    ip = host;
    port = std::atoi(service);
}

}  // namespace

BoundedSocketStream::BoundedSocketStream(socket_t socket, const ConnectionLimits& limits)
    : m_socket(socket), m_limits(limits), m_buffer(kBufferBytes) {
    StartRequest();
}

bool BoundedSocketStream::Wait(short events, std::chrono::milliseconds timeout) const {
    pollfd entry{.fd = m_socket, .events = events, .revents = 0};
    int result;
    do {
        result = poll(&entry, 1, static_cast<int>(timeout.count()));
    } while (result < 0 && errno == EINTR);
    return result > 0;
}

bool BoundedSocketStream::WaitForRequest(std::chrono::milliseconds wait,
                                         const std::function<bool()>& keepWaiting) {
    if (m_bufferStart < m_bufferEnd) return true;  // a pipelined request is here already
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (keepWaiting()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        if (Wait(POLLIN, std::min(left, std::chrono::milliseconds(100)))) return true;
    }
    return false;
}

void BoundedSocketStream::StartRequest() {
    m_taken = 0;
    m_written = 0;
    m_headDone = false;
    m_overflowed = false;
    m_requestStart = std::chrono::steady_clock::now();
}

bool BoundedSocketStream::ClientThere() const {
    pollfd entry{.fd = m_socket, .events = POLLIN, .revents = 0};
    if (poll(&entry, 1, 0) < 0) return errno == EINTR;
    if (entry.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
    if (!(entry.revents & POLLIN)) return true;
    // Readable: either the client's next request, or its end of the stream.
    char byte;
    ssize_t peeked = recv(m_socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return peeked > 0 || (peeked < 0 && (errno == EAGAIN || errno == EINTR));
}

bool BoundedSocketStream::is_readable() const { return Wait(POLLIN, m_limits.readTimeout); }

bool BoundedSocketStream::is_writable() const {
    return Wait(POLLOUT, m_limits.writeTimeout) && ClientThere();
}

ssize_t BoundedSocketStream::read(char* ptr, size_t size) {
    if (!m_headDone) {
        if (m_taken >= m_limits.headBytes ||
            std::chrono::steady_clock::now() - m_requestStart > m_limits.headTime) {
            m_overflowed = true;
            return -1;
        }
        size = std::min(size, m_limits.headBytes - m_taken);
    }
    if (m_bufferStart == m_bufferEnd) {
        if (!is_readable()) return -1;
        ssize_t received;
        do {
            received = recv(m_socket, m_buffer.data(), m_buffer.size(), 0);
        } while (received < 0 && errno == EINTR);
        if (received <= 0) return received;
        m_bufferStart = 0;
        m_bufferEnd = static_cast<size_t>(received);
    }
    size_t count = std::min(size, m_bufferEnd - m_bufferStart);
    std::copy_n(m_buffer.data() + m_bufferStart, count, ptr);
    m_bufferStart += count;
    m_taken += count;
    return static_cast<ssize_t>(count);
}

ssize_t BoundedSocketStream::write(const char* ptr, size_t size) {
    m_headDone = true;
    if (!Wait(POLLOUT, m_limits.writeTimeout)) return -1;
    ssize_t sent;
    do {
        sent = send(m_socket, ptr, size, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent > 0) m_written += static_cast<size_t>(sent);
    return sent;
}

void BoundedSocketStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getpeername(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        AddressOf(address, length, ip, port);
    }
}

void BoundedSocketStream::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        AddressOf(address, length, ip, port);
    }
}
