#pragma once

#include <QJsonObject>
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace quillo {

/// What a second launch asks of the running program.
struct InstanceRequest {
    enum class Kind { show, importBackup, paste, settings };
    Kind kind = Kind::show;
    /// The backup's path, or the snippet to paste.
    std::string argument{};
    /// Field values for a paste.
    std::map<std::string, std::string> values{};

    QJsonObject toJson() const;
    static std::optional<InstanceRequest> fromJson(const QJsonObject& json);
};

/// The running program's answer: the second process prints it and exits with its status.
struct InstanceReply {
    int status = 0;
    std::string output{}; // for standard output
    std::string error{};  // for standard error

    QJsonObject toJson() const;
    static InstanceReply fromJson(const QJsonObject& json);
};

/// The local socket through which one running program per library takes requests from
/// later launches, so that two processes never write the library at once.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<InstanceReply(const InstanceRequest&)>;

    explicit InstanceServer(Handler handler, QObject* parent = nullptr);

    /// Starts listening; false when another running program already listens.
    bool listen();

private:
    void accept();

    Handler handler_;
    QLocalServer server_;
};

/// The socket's name for the user's library (one program per library folder).
QString instanceServerName();

/// Hands the request to the running program and waits for its answer, at most `timeout`;
/// absent when no program is running.
std::optional<InstanceReply> sendToRunningInstance(const InstanceRequest& request,
                                                   std::chrono::milliseconds timeout);

} // namespace quillo
