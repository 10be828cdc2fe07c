#include "DBusFileViewer.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QUrl>
#include <system_error>

namespace quillo {

namespace {

QUrl fileUrl(const std::filesystem::path& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

void openFolder(const std::filesystem::path& item) {
    QDesktopServices::openUrl(fileUrl(DBusFileViewer::fallbackFolder(item)));
}

} // namespace

DBusFileViewer::DBusFileViewer(QDBusConnection bus) : bus_(std::move(bus)) {}

std::filesystem::path DBusFileViewer::fallbackFolder(const std::filesystem::path& item) {
    std::error_code error;
    return std::filesystem::is_directory(item, error) ? item : item.parent_path();
}

void DBusFileViewer::reveal(const std::filesystem::path& item) {
    if (!bus_.isConnected()) {
        openFolder(item);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{fileUrl(item).toString(QUrl::FullyEncoded)} << QString();
    // Not waited for: the bus may first have to start the file manager.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [item](QDBusPendingCallWatcher* finished) {
                         if (QDBusPendingReply<> reply = *finished; reply.isError())
                             openFolder(item);
                         finished->deleteLater();
                     });
}

} // namespace quillo
