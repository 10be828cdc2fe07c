#include "DesktopServices.h"

#include "AutostartLoginItem.h"
#include "DBusFileViewer.h"
#include "FocusBorrowing.h"
#include "GlobalShortcutsPortal.h"
#include "GnomeHotKeyService.h"
#include "InotifyFolderWatcher.h"
#include "KGlobalAccelHotKeyService.h"
#include "QtDialogs.h"
#include "QtPasteboard.h"
#include "QtScheduler.h"
#include "QtSettingsStore.h"
#include "QtSound.h"
#include "RemoteDesktopKeyPoster.h"
#include "SessionProbe.h"
#include "SwayHotKeyService.h"
#include "WaylandAccessibility.h"
#include "X11Accessibility.h"
#include "X11Connection.h"
#include "X11HotKeyService.h"
#include "X11KeyPoster.h"
#include "X11Workspace.h"
#include "wayland/CompositorKeymap.h"
#include "wayland/DataControlPasteboard.h"
#include "wayland/ForeignToplevelWorkspace.h"
#include "wayland/KWinFakeInputKeyPoster.h"
#include "wayland/VirtualKeyboardKeyPoster.h"
#include "wayland/WaylandConnection.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdlib>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quillo {

namespace {

/// Stands in where the session offers nothing: no application is ever known to be in front,
/// no key is posted and no shortcut is taken, so pasting falls back to copying.
class NoWorkspace final : public Workspace {
public:
    std::optional<ApplicationHandle> frontmostApplication() const override { return {}; }
};

class NoKeyPoster final : public KeyPoster {
public:
    bool tapKey(std::uint16_t, std::uint64_t) override { return false; }
};

/// A Wayland compositor that doesn't say which window is in front: the paste waits as long as
/// compositors take to give the focus back when the picker hides. Measured from hide to the
/// previous window's activation: sway 2-11 ms, KWin 3-12 ms, mutter 4-23 ms; 100 ms leaves
/// room for a busy machine.
class FocusDelayWorkspace final : public Workspace {
public:
    std::optional<ApplicationHandle> frontmostApplication() const override { return {}; }
    void afterFocusReturnsTo(const std::optional<ApplicationHandle>&,
                             std::function<void()> then) override {
        QTimer::singleShot(100, std::move(then));
    }
};

class NoHotKeys final : public HotKeyService {
public:
    /// What the settings window reports when a shortcut is recorded: nothing can take it.
    static constexpr int unavailable = -1;
    int registerHotKey(std::uint32_t, std::uint32_t) override { return unavailable; }
    void unregisterHotKey() override {}
    void setPressedHandler(std::function<void()>) override {}
};

std::set<std::string> globalNames(const WaylandConnection* wayland) {
    std::set<std::string> names;
    if (wayland)
        for (const std::string& name : wayland->interfaceNames())
            names.insert(name);
    return names;
}

std::unique_ptr<HotKeyService> makeHotKeys(SessionBackends::Shortcut shortcut,
                                           SessionBackends::Shortcut fallback,
                                           const std::shared_ptr<WaylandConnection>& wayland) {
    using S = SessionBackends::Shortcut;
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    switch (shortcut) {
    case S::swayCommand:
        return std::make_unique<SwayHotKeyService>(std::getenv("SWAYSOCK"), program);
    case S::kglobalaccel:
        // KWin matches a combination by what it types in the user's layout (Ctrl+Shift+1 is
        // Ctrl+!), so its keymap names Shift combinations.
        return std::make_unique<KGlobalAccelHotKeyService>(
            QDBusConnection::sessionBus(),
            [keymap = std::shared_ptr(CompositorKeymap::create(wayland))](
                std::uint32_t keysym) -> std::optional<std::uint32_t> {
                if (!keymap || !keymap->layout())
                    return std::nullopt;
                return keymap->layout()->shiftedKeysymOf(keysym);
            });
    case S::gnomeKeybinding:
        return std::make_unique<GnomeHotKeyService>(program);
    case S::globalShortcutsPortal:
        return std::make_unique<PortalHotKeyService>(QDBusConnection::sessionBus(),
                                                     makeHotKeys(fallback, S::none, wayland));
    case S::x11Grab:
    case S::none:
        break;
    }
    return std::make_unique<NoHotKeys>();
}

void chooseWayland(DesktopServices& services, const std::shared_ptr<WaylandConnection>& wayland) {
    using B = SessionBackends;
    const B& backends = services.backends;
    std::function<std::string()> frontAppId = [] { return std::string(); };
    if (backends.front == B::Front::foreignToplevel) {
        auto workspace = std::make_unique<ForeignToplevelWorkspace>(wayland);
        frontAppId = [front = workspace.get()] { return front->frontAppId(); };
        services.workspace = std::move(workspace);
    } else {
        services.workspace = std::make_unique<FocusDelayWorkspace>();
    }
    RemoteDesktopKeyPoster* remoteDesktop = nullptr;
    if (backends.keys == B::Keys::virtualKeyboard) {
        services.keyPoster = std::make_unique<VirtualKeyboardKeyPoster>(wayland, frontAppId);
    } else if (backends.keys == B::Keys::kwinFakeInput) {
        services.keyPoster = std::make_unique<KWinFakeInputKeyPoster>(wayland, frontAppId);
    } else if (backends.keys == B::Keys::remoteDesktop) {
        auto poster = std::make_unique<RemoteDesktopKeyPoster>(QDBusConnection::sessionBus(),
                                                               frontAppId, backends.keysNeedConsent,
                                                               services.settings.get());
        remoteDesktop = poster.get();
        services.keyPoster = std::move(poster);
    } else {
        services.keyPoster = std::make_unique<NoKeyPoster>();
    }
    if (backends.clipboard == B::Clipboard::dataControl) {
        services.pasteboard = std::make_unique<DataControlPasteboard>(wayland);
    } else if (backends.clipboard == B::Clipboard::borrowedFocus) {
        // A key that types nothing, pressed where the compositor wants a new key press.
        auto borrower = std::make_shared<FocusBorrower>([remoteDesktop] {
            if (!remoteDesktop || !remoteDesktop->isReady())
                return false;
            remoteDesktop->tapKeysym(XKB_KEY_Shift_L);
            return true;
        });
        auto pasteboard = std::make_unique<QtPasteboard>();
        pasteboard->offerOncePerTurn(
            [borrower] { borrower->expectWrite(); },
            [borrower](std::function<void(bool)> offer) { borrower->write(std::move(offer)); });
        services.pasteboard = std::move(pasteboard);
        services.keyPoster =
            std::make_unique<FocusReturningKeyPoster>(std::move(services.keyPoster), borrower);
    }
    services.accessibility = std::make_unique<WaylandAccessibility>(backends, remoteDesktop);
    services.hotKeys = makeHotKeys(backends.shortcut, backends.shortcutFallback, wayland);
    services.pickerPanel = std::make_unique<QtPickerPanel>(QtPickerPanel::Keyboard::focus);
}

void chooseX11(DesktopServices& services) {
    // Absent outside X11 (offscreen): pasting then falls back to copying, and no hot key is
    // taken.
    const std::optional<X11Connection> x11 = X11Connection::ofApplication();
    auto workspace = std::make_unique<X11Workspace>(x11);
    // The window in front decides the paste chord (terminals want Ctrl+Shift+V).
    services.keyPoster = std::make_unique<X11KeyPoster>(
        x11, [front = workspace.get()] { return front->frontWindowClass(); });
    services.workspace = std::move(workspace);
    services.accessibility = std::make_unique<X11Accessibility>(x11, false);
    services.hotKeys = std::make_unique<X11HotKeyService>(x11);
    services.pickerPanel = std::make_unique<QtPickerPanel>(QtPickerPanel::Keyboard::grab);
}

} // namespace

DesktopServices makeDesktopServices() {
    std::shared_ptr<WaylandConnection> wayland = WaylandConnection::open();
    DesktopServices services;
    const SessionFacts facts = probeSession(wayland != nullptr, globalNames(wayland.get()));
    services.backends = chooseSessionBackends(facts);
    services.scheduler = std::make_unique<QtScheduler>();
    services.settings = std::make_unique<QtSettingsStore>(QtSettingsStore::userFile());
    services.pasteboard = std::make_unique<QtPasteboard>();
    services.sound = std::make_unique<QtSound>();
    services.dialogs = std::make_unique<QtDialogs>();
    services.loginItem = std::make_unique<AutostartLoginItem>(
        userConfigFolder(), QCoreApplication::applicationFilePath().toStdString());
    services.fileViewer = std::make_unique<DBusFileViewer>();
    services.folderWatcher = std::make_unique<InotifyFolderWatcher>();
    // A Wayland session never falls back to X11, even where XWayland answers.
    if (services.backends.windowing == SessionBackends::Windowing::wayland ||
        facts.sessionType == "wayland")
        chooseWayland(services, wayland);
    else
        chooseX11(services);
    return services;
}

} // namespace quillo
