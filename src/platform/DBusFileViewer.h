#pragma once

#include "core/platform/FileViewer.h"

#include <QDBusConnection>

namespace quillo {

/// Shows files through the desktop's file manager: the freedesktop.org FileManager1
/// service (Nautilus, Dolphin, Nemo, Caja, Thunar...) opens a window with the item
/// selected. Where no file manager offers that service, or the session has no bus, the
/// folder is opened the way the desktop opens any folder.
class DBusFileViewer final : public FileViewer {
public:
    explicit DBusFileViewer(QDBusConnection bus = QDBusConnection::sessionBus());

    void reveal(const std::filesystem::path& item) override;

    /// What is opened when the file manager can't select: the item itself when it is a
    /// folder, else the folder that holds it.
    static std::filesystem::path fallbackFolder(const std::filesystem::path& item);

private:
    QDBusConnection bus_;
};

} // namespace quillo
