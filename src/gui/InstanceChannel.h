#pragma once

#include "core/app/InstanceClient.h"
#include "core/app/InstanceProtocol.h"
#include "core/util/UnixSocket.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace quillo {

/// The local socket through which one running program per library takes requests from
/// later launches, so that two processes never write the library at once. It lives in a
/// folder only the user can reach, and both ends talk only to their own user.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<InstanceReply(const InstanceRequest&)>;

    /// How long a client may take to send its request before it is dropped.
    static constexpr std::chrono::milliseconds clientTimeout{2000};

    explicit InstanceServer(Handler handler, QObject* parent = nullptr);

    /// Starts listening; absent on success, else why not, as a sentence.
    std::optional<std::string> listen();

private:
    class Client;

    void accept();

    Handler handler_;
    std::optional<UnixListener> listener_;
};

} // namespace quillo
