#include "DesktopServices.h"

#include "AutostartLoginItem.h"
#include "DBusFileViewer.h"
#include "InotifyFolderWatcher.h"
#include "QtDialogs.h"
#include "QtPasteboard.h"
#include "QtScheduler.h"
#include "QtSettingsStore.h"
#include "QtSound.h"
#include "X11Accessibility.h"
#include "X11Connection.h"
#include "X11HotKeyService.h"
#include "X11KeyPoster.h"
#include "X11Workspace.h"

#include <QCoreApplication>

namespace quillo {

DesktopServices makeDesktopServices() {
    // Absent outside X11: pasting then falls back to copying, and no hot key is taken.
    const std::optional<X11Connection> x11 = X11Connection::ofApplication();
    DesktopServices services;
    services.scheduler = std::make_unique<QtScheduler>();
    services.settings = std::make_unique<QtSettingsStore>(QtSettingsStore::userFile());
    services.pasteboard = std::make_unique<QtPasteboard>();
    services.sound = std::make_unique<QtSound>();
    services.dialogs = std::make_unique<QtDialogs>();
    services.loginItem = std::make_unique<AutostartLoginItem>(
        userConfigFolder(), QCoreApplication::applicationFilePath().toStdString());
    auto workspace = std::make_unique<X11Workspace>(x11);
    // The window in front decides the paste chord (terminals want Ctrl+Shift+V).
    services.keyPoster = std::make_unique<X11KeyPoster>(
        x11, [front = workspace.get()] { return front->frontWindowClass(); });
    services.workspace = std::move(workspace);
    services.accessibility =
        std::make_unique<X11Accessibility>(x11, X11Accessibility::isWaylandSession());
    services.hotKeys = std::make_unique<X11HotKeyService>(x11);
    services.fileViewer = std::make_unique<DBusFileViewer>();
    services.folderWatcher = std::make_unique<InotifyFolderWatcher>();
    return services;
}

} // namespace quillo
