#pragma once

#include "InstanceChannel.h"
#include "QuitOnSignal.h"
#include "TrayMenu.h"
#include "core/app/AppState.h"
#include "core/app/MenuModel.h"
#include "core/import/ATextImporter.h"
#include "core/platform/ApplicationShell.h"
#include "core/platform/Clock.h"
#include "core/platform/Log.h"
#include "library/DetailEditor.h"
#include "platform/DesktopServices.h"
#include "platform/QtKeyMonitor.h"
#include "platform/QtPickerPanel.h"
#include "platform/QtShortcutKeyMonitor.h"

#include <QObject>
#include <QPointer>
#include <memory>

namespace quillo {

class LibraryWindow;
class SettingsWindow;

/// The desktop program: the platform's services, the program's shared objects wired to
/// them, the tray menu, and the socket through which later launches reach it.
class DesktopApp : public QObject, private ApplicationShell {
    Q_OBJECT
public:
    /// Starts with the library window open, unless started at login; with `opensSettings`,
    /// with the settings window instead, and with `opensPicker` with only the picker.
    DesktopApp(bool launchedAtLogin, bool opensSettings, bool opensPicker,
               QObject* parent = nullptr);
    ~DesktopApp() override;

    /// Starts listening for later launches and starts the program; false (after saying
    /// why) when another Quillo already runs for this library.
    bool start();

private:
    // ApplicationShell
    void activate() override;
    void openSettings() override;
    void quit() override;

    /// Opens the library window, making it when it is not open, and brings it forward.
    void showLibraryWindow();

    InstanceReply handle(const InstanceRequest& request);
    InstanceReply importBackup(const std::string& path);

    bool launchedAtLogin_;
    bool opensSettings_;
    bool opensPicker_;
    SystemClock clock_;
    StandardErrorLog log_;
    DesktopServices services_;
    QtPickerPanel& panel_{*services_.pickerPanel};
    QtKeyMonitor keyMonitor_{panel_.widget()};
    /// Takes the program's keys while the settings window records a shortcut.
    QtShortcutKeyMonitor shortcutKeyMonitor_{X11Connection::ofApplication()};
    std::unique_ptr<MenuModel> menuModel_;
    std::unique_ptr<TrayMenu> tray_;
    std::unique_ptr<ATextImporter> importer_;
    /// How each library window makes its snippet editor.
    DetailEditorFactory editorFactory_;
    /// Made on demand and gone when closed, with its editor.
    QPointer<LibraryWindow> libraryWindow_;
    /// Made on demand and gone when closed, so it reads its state afresh each time.
    QPointer<SettingsWindow> settingsWindow_;
    InstanceServer server_;
    QuitOnSignal quitOnSignal_;
};

} // namespace quillo
