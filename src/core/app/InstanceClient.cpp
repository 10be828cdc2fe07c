#include "InstanceClient.h"

#include "core/platform/InstanceSocket.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <variant>

namespace quillo {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

/// Waits for `events` until the deadline; false on timeout or error.
bool await(int fd, short events, Clock::time_point deadline) {
    pollfd watched{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&watched, 1, remainingMs(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool sendAll(int fd, const std::string& bytes, Clock::time_point deadline) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (!await(fd, POLLOUT, deadline))
            return false;
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        if (n > 0)
            sent += static_cast<std::size_t>(n);
    }
    return true;
}

InstanceReply noAnswer() {
    return {1, "", "quillo: the running program didn't answer.\n"};
}

} // namespace

std::optional<InstanceReply> sendToRunningInstance(const InstanceRequest& request,
                                                   std::chrono::milliseconds timeout) {
    const auto path = instanceSocketPath(SocketFolders::ofEnvironment());
    if (const auto* problem = std::get_if<std::string>(&path))
        return InstanceReply{1, "", "quillo: " + *problem + "\n"};
    const std::string socketPath = std::get<std::filesystem::path>(path).string();

    const Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0)
        return std::nullopt;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    // A missing socket, or one left by a program that is gone, means nobody runs.
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return std::nullopt;

    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(socket.get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
        peer.uid != ::getuid())
        return InstanceReply{1, "",
                             "quillo: the program listening at “" + socketPath +
                                 "” belongs to another user, so nothing was sent to it.\n"};

    const Clock::time_point deadline = Clock::now() + timeout;
    if (!sendAll(socket.get(), InstanceProtocol::line(request), deadline))
        return std::nullopt;
    std::string answer;
    char buffer[64 * 1024];
    while (answer.find('\n') == std::string::npos) {
        if (answer.size() > InstanceProtocol::maximumLine || !await(socket.get(), POLLIN, deadline))
            return noAnswer();
        const ssize_t n = ::recv(socket.get(), buffer, sizeof buffer, 0);
        if (n == 0)
            return noAnswer();
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return noAnswer();
        if (n > 0)
            answer.append(buffer, static_cast<std::size_t>(n));
    }
    const std::optional<InstanceReply> reply =
        InstanceProtocol::reply(std::string_view(answer).substr(0, answer.find('\n')));
    return reply ? reply : noAnswer();
}

} // namespace quillo
