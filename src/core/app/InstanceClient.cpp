#include "InstanceClient.h"

#include "core/platform/InstanceSocket.h"
#include "core/util/Translation.h"
#include "core/util/UnixSocket.h"

#include <string>
#include <unistd.h>
#include <variant>

namespace quillo {

namespace {

InstanceReply noAnswer() {
    return {1, "", i18n("quillo: the running program didn't answer.") + "\n"};
}

} // namespace

std::optional<InstanceReply> sendToRunningInstance(const InstanceRequest& request,
                                                   std::chrono::milliseconds timeout) {
    const auto path = instanceSocketPath(SocketFolders::ofEnvironment());
    if (const auto* problem = std::get_if<std::string>(&path))
        return InstanceReply{1, "", "quillo: " + *problem + "\n"};
    const std::string socketPath = std::get<std::filesystem::path>(path).string();

    // A missing socket, or one left by a program that is gone, means nobody runs.
    const std::optional<UnixSocket> socket = UnixSocket::connect(socketPath);
    if (!socket)
        return std::nullopt;
    if (socket->peerUser() != ::getuid())
        return InstanceReply{1, "",
                             fill(i18n("quillo: the program listening at “{socket}” belongs to "
                                       "another user, so nothing was sent to it."),
                                  {{"socket", socketPath}}) +
                                 "\n"};

    const UnixSocket::Clock::time_point deadline = UnixSocket::Clock::now() + timeout;
    if (!socket->sendAll(InstanceProtocol::line(request), deadline))
        return std::nullopt;
    const std::optional<std::string> answer = socket->receive(
        [](const std::string& received) { return received.find('\n') != std::string::npos; },
        InstanceProtocol::maximumLine, deadline);
    if (!answer)
        return noAnswer();
    const std::optional<InstanceReply> reply =
        InstanceProtocol::reply(std::string_view(*answer).substr(0, answer->find('\n')));
    return reply ? reply : noAnswer();
}

int printReply(const InstanceReply& reply, std::ostream& out, std::ostream& err) {
    out << reply.output;
    err << reply.error;
    return reply.status;
}

} // namespace quillo
