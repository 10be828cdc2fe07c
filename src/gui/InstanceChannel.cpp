#include "InstanceChannel.h"

#include "core/platform/InstanceSocket.h"
#include "core/util/Translation.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>
#include <variant>

namespace quillo {

namespace {

// Time enough for a reply of a few lines to go into the socket's buffer.
constexpr std::chrono::milliseconds replyWait{2000};

} // namespace

/// One launch talking to the program: its request line, read as it comes, then the reply.
class InstanceServer::Client : public QObject {
public:
    Client(UnixSocket socket, InstanceServer& server)
        : QObject(&server), socket_(std::move(socket)), server_(server),
          readable_(socket_.fd(), QSocketNotifier::Read, this) {
        // A client that says nothing is dropped; one that says too much is refused.
        silence_.setSingleShot(true);
        connect(&silence_, &QTimer::timeout, this, &QObject::deleteLater);
        silence_.start(clientTimeout);
        connect(&readable_, &QSocketNotifier::activated, this, &Client::read);
    }

private:
    void read() {
        using State = InstanceProtocol::LineReader::State;
        State state = State::waiting;
        char buffer[64 * 1024];
        while (state == State::waiting) {
            const ssize_t n = ::recv(socket_.fd(), buffer, sizeof buffer, 0);
            if (n > 0) {
                state = reader_.feed(std::string(buffer, static_cast<std::size_t>(n)));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return; // the rest comes later
            break;      // closed, or broken, before the line was whole
        }
        readable_.setEnabled(false);
        silence_.stop(); // the request is in: the handler may take its time
        if (state == State::complete)
            answer();
        deleteLater();
    }

    void answer() {
        const std::optional<InstanceRequest> request = InstanceProtocol::request(reader_.line());
        // Said by the launch that sent the request, on its error output.
        const InstanceReply reply =
            request
                ? server_.handler_(*request)
                : InstanceReply{2, "",
                                i18n("quillo: the running program didn't understand the request.") +
                                    "\n"};
        socket_.sendAll(InstanceProtocol::line(reply), UnixSocket::Clock::now() + replyWait);
    }

    UnixSocket socket_;
    InstanceServer& server_;
    QSocketNotifier readable_;
    QTimer silence_;
    InstanceProtocol::LineReader reader_;
};

InstanceServer::InstanceServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

std::optional<std::string> InstanceServer::listen() {
    const auto path = instanceSocketPath(SocketFolders::ofEnvironment());
    if (const auto* problem = std::get_if<std::string>(&path))
        return *problem;
    auto listening = UnixListener::listen(std::get<std::filesystem::path>(path).string());
    if (auto* problem = std::get_if<std::string>(&listening))
        return *problem;
    listener_ = std::move(std::get<UnixListener>(listening));
    auto* waiting = new QSocketNotifier(listener_->fd(), QSocketNotifier::Read, this);
    connect(waiting, &QSocketNotifier::activated, this, &InstanceServer::accept);
    return std::nullopt;
}

void InstanceServer::accept() {
    while (std::optional<UnixSocket> socket = listener_->accept()) {
        if (socket->peerUser() != ::getuid()) {
            std::fprintf(stderr, "Quillo: refused a request from a process of another user.\n");
            continue;
        }
        new Client(std::move(*socket), *this);
    }
}

} // namespace quillo
