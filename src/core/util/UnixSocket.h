#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <variant>

namespace quillo {

/// One end of a local stream socket, closed with the object. Used without any toolkit, so
/// that the quillo command, the desktop program and its talk with the compositor share it.
class UnixSocket {
public:
    using Clock = std::chrono::steady_clock;

    explicit UnixSocket(int fd = -1) : fd_(fd) {}
    ~UnixSocket();
    UnixSocket(UnixSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UnixSocket& operator=(UnixSocket&& other) noexcept;
    UnixSocket(const UnixSocket&) = delete;
    UnixSocket& operator=(const UnixSocket&) = delete;

    /// Connected to the socket at `path`; absent when nobody listens there.
    static std::optional<UnixSocket> connect(const std::string& path);

    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }

    /// The user id of the process at the other end; absent when the system doesn't say.
    std::optional<uid_t> peerUser() const;

    /// Writes all of `bytes` before the deadline; false when it couldn't.
    bool sendAll(std::string_view bytes, Clock::time_point deadline) const;

    /// Reads until `complete` says what came is whole, the other end closes, more than
    /// `limit` bytes came or the deadline passes; what came when it was whole, else absent.
    std::optional<std::string> receive(const std::function<bool(const std::string&)>& complete,
                                       std::size_t limit, Clock::time_point deadline) const;

private:
    int fd_;
};

/// A listening local socket at a path only this user can reach. A socket file left by a
/// program that is gone is cleared; one that a live program listens at is an error.
class UnixListener {
public:
    /// Listening at `path`, or why not, as a sentence.
    static std::variant<UnixListener, std::string> listen(const std::string& path);

    UnixListener(UnixListener&&) noexcept = default;
    UnixListener& operator=(UnixListener&&) noexcept = default;
    ~UnixListener();

    int fd() const { return socket_.fd(); }
    /// The next waiting client, without blocking; absent when none waits.
    std::optional<UnixSocket> accept() const;

private:
    UnixListener(UnixSocket socket, std::string path)
        : socket_(std::move(socket)), path_(std::move(path)) {}

    UnixSocket socket_;
    std::string path_;
};

} // namespace quillo
