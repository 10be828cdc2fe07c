#include "UnixSocket.h"

#include "core/util/Translation.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillo {

namespace {

int remainingMs(UnixSocket::Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - UnixSocket::Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

/// Waits for `events` until the deadline; false on timeout or error.
bool await(int fd, short events, UnixSocket::Clock::time_point deadline) {
    pollfd watched{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&watched, 1, remainingMs(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

std::optional<sockaddr_un> addressOf(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

bool connectTo(int fd, const sockaddr_un& address) {
    return ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

} // namespace

UnixSocket::~UnixSocket() {
    if (fd_ >= 0)
        ::close(fd_);
}

UnixSocket& UnixSocket::operator=(UnixSocket&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

std::optional<UnixSocket> UnixSocket::connect(const std::string& path) {
    const std::optional<sockaddr_un> address = addressOf(path);
    if (!address)
        return std::nullopt;
    UnixSocket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.isOpen() || !connectTo(socket.fd(), *address))
        return std::nullopt;
    return socket;
}

std::optional<uid_t> UnixSocket::peerUser() const {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd_, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return std::nullopt;
    return credentials.uid;
}

bool UnixSocket::sendAll(std::string_view bytes, Clock::time_point deadline) const {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (!await(fd_, POLLOUT, deadline))
            return false;
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        if (n > 0)
            sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::string>
UnixSocket::receive(const std::function<bool(const std::string&)>& complete, std::size_t limit,
                    Clock::time_point deadline) const {
    std::string received;
    char buffer[64 * 1024];
    while (!complete(received)) {
        if (received.size() > limit || !await(fd_, POLLIN, deadline))
            return std::nullopt;
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            return std::nullopt;
        if (n > 0)
            received.append(buffer, static_cast<std::size_t>(n));
    }
    return received;
}

std::variant<UnixListener, std::string> UnixListener::listen(const std::string& path) {
    const std::optional<sockaddr_un> address = addressOf(path);
    if (!address)
        return fill(i18n("the socket's path is too long ({path})."), {{"path", path}});
    UnixSocket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.isOpen())
        return fill(i18n("couldn't make a socket ({reason})."), {{"reason", std::strerror(errno)}});
    int bound = ::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address);
    if (bound != 0 && errno == EADDRINUSE) {
        // A socket left by a program that crashed answers nobody: clear it and try again.
        if (UnixSocket::connect(path))
            return i18n("another Quillo is already running for this library.");
        ::unlink(path.c_str());
        bound = ::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address);
    }
    // The folder is the user's alone; the file is too.
    if (bound != 0 || ::chmod(path.c_str(), S_IRUSR | S_IWUSR) != 0 ||
        ::listen(socket.fd(), SOMAXCONN) != 0)
        return fill(i18n("couldn't listen for later launches ({reason})."),
                    {{"reason", std::strerror(errno)}});
    return UnixListener(std::move(socket), path);
}

UnixListener::~UnixListener() {
    if (socket_.isOpen())
        ::unlink(path_.c_str());
}

std::optional<UnixSocket> UnixListener::accept() const {
    const int client = ::accept4(socket_.fd(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0)
        return std::nullopt;
    return UnixSocket(client);
}

} // namespace quillo
