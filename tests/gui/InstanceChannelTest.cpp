// The running program's socket as any local process of the user can reach it: a client that
// says nothing, too much or nonsense is dropped or refused, and never holds up the others.
#include "gui/InstanceChannel.h"

#include "core/platform/InstanceSocket.h"

#include <QLocalSocket>
#include <QTest>
#include <future>
#include <gmock/gmock.h>
#include <vector>

namespace quillo {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int deadlineMs = 10000;

// A process writing to the socket by hand, keeping whatever comes back.
class RawClient {
public:
    RawClient() {
        const auto path = instanceSocketPath(SocketFolders::ofEnvironment());
        QObject::connect(&socket_, &QLocalSocket::readyRead,
                         [this] { received_ += socket_.readAll(); });
        socket_.connectToServer(QString::fromStdString(std::get<fs::path>(path).string()));
        EXPECT_TRUE(socket_.waitForConnected(deadlineMs)) << socket_.errorString().toStdString();
    }
    void send(const std::string& bytes) { socket_.write(QByteArray::fromStdString(bytes)); }
    bool connected() const { return socket_.state() == QLocalSocket::ConnectedState; }
    bool droppedInTime() {
        return QTest::qWaitFor([this] { return !connected(); }, deadlineMs);
    }
    std::string received() const { return received_.toStdString(); }
    // The reply once a whole line of it came.
    std::optional<InstanceReply> reply() {
        if (!QTest::qWaitFor([this] { return received_.endsWith('\n'); }, deadlineMs))
            return std::nullopt;
        return InstanceProtocol::reply(received_.chopped(1).toStdString());
    }

private:
    QLocalSocket socket_;
    QByteArray received_;
};

// What a later launch gets, asked from another thread while this one serves.
InstanceReply sent(const InstanceRequest& request) {
    auto answer =
        std::async(std::launch::async, [&request] { return sendToRunningInstance(request, 10s); });
    EXPECT_TRUE(QTest::qWaitFor(
        [&answer] { return answer.wait_for(0s) == std::future_status::ready; }, 3 * deadlineMs));
    const std::optional<InstanceReply> reply = answer.get();
    EXPECT_TRUE(reply.has_value()) << "nobody answered";
    return reply.value_or(InstanceReply{-1});
}

TEST(InstanceChannel, dropsClientsThatSayNothingTooMuchOrNonsenseAndAnswersTheOthers) {
    static_assert(InstanceServer::clientTimeout.count() * 3 < deadlineMs);
    std::vector<InstanceRequest> handled;
    InstanceServer server([&handled](const InstanceRequest& request) {
        handled.push_back(request);
        return InstanceReply{0, "pasted " + request.argument + "\n", ""};
    });
    ASSERT_EQ(server.listen(), std::nullopt);

    // One that says nothing keeps nobody waiting, and is dropped in the end.
    RawClient silent;
    const InstanceRequest paste{
        InstanceRequest::Kind::paste, "Letter", {{"Name", "Ann “the first”"}, {"Empty", ""}}};
    const InstanceReply reply = sent(paste);
    EXPECT_TRUE(silent.connected()) << "the answer came only once the silent client was gone";
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.output, "pasted Letter\n");
    EXPECT_EQ(handled, std::vector<InstanceRequest>{paste});
    EXPECT_TRUE(silent.droppedInTime());
    EXPECT_EQ(silent.received(), "");

    // The limit lies between a long request, which is answered, and a longer one, refused
    // before its end comes.
    const auto pasteOf = [](std::size_t size) {
        return R"({"request":"paste","argument":")" + std::string(size, 'x') + "\"}\n";
    };
    RawClient talkative;
    talkative.send(pasteOf(200 * 1024));
    EXPECT_EQ(talkative.reply().value_or(InstanceReply{-1}).status, 0);
    EXPECT_TRUE(talkative.droppedInTime());
    EXPECT_EQ(handled.size(), 2u);
    RawClient tooTalkative;
    tooTalkative.send(pasteOf(300 * 1024));
    EXPECT_TRUE(tooTalkative.droppedInTime());
    EXPECT_EQ(tooTalkative.received(), "");
    EXPECT_EQ(handled.size(), 2u);

    RawClient confused;
    confused.send("{\"request\":\"reformat the disk\"}\n");
    const std::optional<InstanceReply> refusal = confused.reply();
    ASSERT_TRUE(refusal.has_value()) << confused.received();
    EXPECT_EQ(refusal->status, 2);
    EXPECT_EQ(refusal->error, "quillo: the running program didn't understand the request.\n");
    EXPECT_EQ(handled.size(), 2u);
}

} // namespace
} // namespace quillo
