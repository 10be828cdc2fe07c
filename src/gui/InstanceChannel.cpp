#include "InstanceChannel.h"

#include "core/platform/DataFolder.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QLocalSocket>
#include <unistd.h>

namespace quillo {

namespace {

// A request or a reply is one line of compact JSON.
QByteArray line(const QJsonObject& json) {
    return QJsonDocument(json).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QJsonObject> parseLine(const QByteArray& bytes) {
    const QJsonDocument document = QJsonDocument::fromJson(bytes.trimmed());
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

const char* kindName(InstanceRequest::Kind kind) {
    switch (kind) {
    case InstanceRequest::Kind::show:
        return "show";
    case InstanceRequest::Kind::importBackup:
        return "import";
    case InstanceRequest::Kind::paste:
        return "paste";
    case InstanceRequest::Kind::settings:
        return "settings";
    }
    return "show";
}

} // namespace

QJsonObject InstanceRequest::toJson() const {
    QJsonObject fields;
    for (const auto& [name, value] : values)
        fields.insert(QString::fromStdString(name), QString::fromStdString(value));
    return {{"request", kindName(kind)},
            {"argument", QString::fromStdString(argument)},
            {"values", fields}};
}

std::optional<InstanceRequest> InstanceRequest::fromJson(const QJsonObject& json) {
    InstanceRequest request;
    const QString kind = json.value("request").toString();
    if (kind == "show")
        request.kind = Kind::show;
    else if (kind == "import")
        request.kind = Kind::importBackup;
    else if (kind == "paste")
        request.kind = Kind::paste;
    else if (kind == "settings")
        request.kind = Kind::settings;
    else
        return std::nullopt;
    request.argument = json.value("argument").toString().toStdString();
    const QJsonObject fields = json.value("values").toObject();
    for (auto field = fields.begin(); field != fields.end(); ++field)
        request.values[field.key().toStdString()] = field.value().toString().toStdString();
    return request;
}

QJsonObject InstanceReply::toJson() const {
    return {{"status", status},
            {"output", QString::fromStdString(output)},
            {"error", QString::fromStdString(error)}};
}

InstanceReply InstanceReply::fromJson(const QJsonObject& json) {
    return {json.value("status").toInt(1), json.value("output").toString().toStdString(),
            json.value("error").toString().toStdString()};
}

QString instanceServerName() {
    // Sockets live in one folder for all users; the user id and the library's folder keep
    // programs of different users, and of test runs with their own folders, apart.
    const QByteArray folder = QByteArray::fromStdString(userDataFolder().string());
    const QByteArray digest = QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex();
    return QString("quillo-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest.left(16)));
}

InstanceServer::InstanceServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &InstanceServer::accept);
}

bool InstanceServer::listen() {
    const QString name = instanceServerName();
    if (server_.listen(name))
        return true;
    // A socket left by a program that crashed answers nobody: clear it and try again.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(500))
        return false;
    QLocalServer::removeServer(name);
    return server_.listen(name);
}

void InstanceServer::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const std::optional<QJsonObject> json = parseLine(socket->readLine());
            const std::optional<InstanceRequest> request =
                json ? InstanceRequest::fromJson(*json) : std::nullopt;
            const InstanceReply reply =
                request ? handler_(*request)
                        : InstanceReply{2, "",
                                        "quillo: the running program didn't understand "
                                        "the request.\n"};
            socket->write(line(reply.toJson()));
            socket->flush();
            socket->disconnectFromServer();
        });
    }
}

std::optional<InstanceReply> sendToRunningInstance(const InstanceRequest& request,
                                                   std::chrono::milliseconds timeout) {
    QLocalSocket socket;
    socket.connectToServer(instanceServerName());
    if (!socket.waitForConnected(1000))
        return std::nullopt;
    socket.write(line(request.toJson()));
    if (!socket.waitForBytesWritten(static_cast<int>(timeout.count())))
        return std::nullopt;
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.waitForReadyRead(static_cast<int>(timeout.count())))
            break;
        answer += socket.readAll();
    }
    const std::optional<QJsonObject> json = parseLine(answer);
    if (!json)
        return InstanceReply{1, "", "quillo: the running program didn't answer.\n"};
    return InstanceReply::fromJson(*json);
}

} // namespace quillo
