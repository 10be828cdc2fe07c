#include "InstanceChannel.h"

#include "core/platform/InstanceSocket.h"

#include <QLocalSocket>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <variant>

namespace quillo {

namespace {

std::variant<std::filesystem::path, std::string> socketPath() {
    return instanceSocketPath(SocketFolders::ofEnvironment());
}

// The user id of the process at the other end; absent when the system doesn't say.
std::optional<uid_t> peerUser(const QLocalSocket& socket) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED,
                     &credentials, &size) != 0)
        return std::nullopt;
    return credentials.uid;
}

QByteArray bytes(const std::string& text) {
    return QByteArray::fromStdString(text);
}

} // namespace

std::optional<std::string> instanceChannelProblem() {
    const auto path = socketPath();
    if (const auto* problem = std::get_if<std::string>(&path))
        return *problem;
    return std::nullopt;
}

InstanceServer::InstanceServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &InstanceServer::accept);
}

std::optional<std::string> InstanceServer::listen() {
    const auto path = socketPath();
    if (const auto* problem = std::get_if<std::string>(&path))
        return *problem;
    const QString name = QString::fromStdString(std::get<std::filesystem::path>(path).string());
    if (server_.listen(name))
        return std::nullopt;
    // A socket left by a program that crashed answers nobody: clear it and try again.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(500))
        return "another Quillo is already running for this library.";
    QLocalServer::removeServer(name);
    if (server_.listen(name))
        return std::nullopt;
    return "couldn't listen for later launches (" + server_.errorString().toStdString() + ").";
}

void InstanceServer::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (peerUser(*socket) != ::getuid()) {
            std::fprintf(stderr, "Quillo: refused a request from a process of another user.\n");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // A client that says nothing is dropped; one that says too much is refused.
        auto* silence = new QTimer(socket);
        silence->setSingleShot(true);
        connect(silence, &QTimer::timeout, socket, &QLocalSocket::abort);
        silence->start(clientTimeout);
        auto reader = std::make_shared<InstanceProtocol::LineReader>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, silence, reader] {
            using State = InstanceProtocol::LineReader::State;
            State state = State::waiting;
            while (state == State::waiting && socket->bytesAvailable() > 0)
                state = reader->feed(socket->read(64 * 1024).toStdString());
            if (state == State::waiting)
                return;
            silence->stop(); // the request is in: the handler may take its time
            socket->disconnect(this);
            if (state == State::tooLong) {
                socket->abort();
                return;
            }
            const std::optional<InstanceRequest> request =
                InstanceProtocol::request(reader->line());
            const InstanceReply reply =
                request ? handler_(*request)
                        : InstanceReply{2, "",
                                        "quillo: the running program didn't understand "
                                        "the request.\n"};
            socket->write(bytes(InstanceProtocol::line(reply)));
            socket->flush();
            socket->disconnectFromServer();
        });
    }
}

} // namespace quillo
