#include "SettingsModel.h"

#include "core/util/Translation.h"

#include <utility>

namespace quillo {

SettingsModel::SettingsModel(const SettingsEnvironment& environment)
    : environment_(environment), openAtLogin_(environment.loginItem.isEnabled()),
      appObserver_(environment.app.addObserver([this] { changed(); })) {}

SettingsModel::~SettingsModel() {
    environment_.app.removeObserver(appObserver_);
    stopRecording();
}

std::string SettingsModel::shortcutTitle() const {
    return recording_ ? i18n(recordingTitle) : environment_.app.shortcut().displayString();
}

bool SettingsModel::offersLatestBackup() const {
    return environment_.importer.latestBackup().has_value();
}

// ---- Recording a shortcut

void SettingsModel::toggleRecording() {
    if (recording_)
        stopRecording();
    else
        startRecording();
}

void SettingsModel::startRecording() {
    if (recording_)
        return;
    recording_ = true;
    // Off while recording, so that pressing the current combination is recorded rather
    // than opening the picker.
    environment_.hotKey.unregister();
    environment_.keyMonitor.install([this](const KeyEvent& event) {
        record(event);
        return true; // no key reaches a window while recording
    });
    monitorInstalled_ = true;
    changed();
}

void SettingsModel::record(const KeyEvent& event) {
    if (event.keyCode == KeyCode::escape) {
        stopRecording();
        return;
    }
    // A key the hot key service has no code for could never be registered.
    const std::optional<Shortcut> shortcut =
        event.keyCode == KeyCode::unknown ? std::nullopt : Shortcut::fromEvent(event);
    if (!shortcut) {
        environment_.sound.beep();
        return;
    }
    environment_.app.setShortcut(*shortcut);
    stopRecording();
}

void SettingsModel::stopRecording() {
    if (monitorInstalled_) {
        monitorInstalled_ = false;
        environment_.keyMonitor.remove();
    }
    if (!recording_)
        return;
    recording_ = false;
    // The new shortcut after a change, the old one after a cancel or a refusal.
    environment_.hotKey.registerShortcut(environment_.app.shortcut());
    changed();
}

// ---- Opening at login

void SettingsModel::setOpenAtLogin(bool enabled) {
    if (enabled == openAtLogin_)
        return;
    openAtLogin_ = enabled;
    try {
        environment_.loginItem.setEnabled(enabled);
    } catch (const LoginItemError& error) {
        environment_.log.write(std::string("Quillo: ") + error.what());
        // The switch shows what really happens at the next login.
        openAtLogin_ = environment_.loginItem.isEnabled();
    }
    changed();
}

// ---- The library

void SettingsModel::importLatestBackup() {
    const std::optional<std::size_t> added = environment_.importer.importLatest();
    if (!added)
        return;
    importMessage_ = importResult(*added);
    changed();
}

void SettingsModel::chooseBackup() {
    environment_.importer.chooseAndImport();
}

void SettingsModel::showLibraryFile() {
    environment_.library.saveNow();
    environment_.fileViewer.reveal(environment_.library.fileURL());
}

std::string SettingsModel::importResult(std::size_t added) {
    if (added == 0)
        return i18n("Everything from aText is already in your library.");
    return i18np("Imported {count} snippet.", "Imported {count} snippets.", added);
}

void SettingsModel::changed() {
    ++revision_;
    observers_.notify();
}

} // namespace quillo
