#include "StartUp.h"

namespace quillo::StartUp {

namespace {

/// Starting at login is offered once per user; after that it is the user's choice.
void enableLoginItemOnFirstStart(SettingsStore& settings, LoginItem& loginItem) {
    if (settings.value(didFirstLaunchKey) == "true")
        return;
    // Marked first, so a failure below is not retried at every start.
    settings.setValue(didFirstLaunchKey, "true");
    try {
        loginItem.setEnabled(true);
    } catch (const LoginItemError&) {
        // The settings window shows the switch as it really is.
    }
}

} // namespace

void start(const Parts& parts) {
    PickerModel& picker = parts.picker;
    parts.hotKey.action = [&picker] { picker.toggle(); };
    // Not examined: a saved combination taken by another program leaves no shortcut until
    // the user records one, and no message at start.
    parts.hotKey.registerShortcut(Shortcut::saved(parts.settings));
    AppState& app = parts.app;
    picker.openInLibrary = [&app](Uuid id) { app.showLibrary(id); };
    app.startMonitoringPermission();
    enableLoginItemOnFirstStart(parts.settings, parts.loginItem);
}

void quit(Library& library) {
    library.saveBeforeQuit();
}

} // namespace quillo::StartUp
