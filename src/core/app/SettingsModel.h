#pragma once

#include "AppState.h"
#include "core/hotkey/HotKey.h"
#include "core/import/ATextImporter.h"
#include "core/model/Library.h"
#include "core/platform/FileViewer.h"
#include "core/platform/KeyEvent.h"
#include "core/platform/Log.h"
#include "core/platform/LoginItem.h"
#include "core/platform/PickerPanel.h"
#include "core/platform/Sound.h"
#include "core/util/ObserverList.h"
#include "core/util/Translation.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillo {

/// What the settings window works with.
struct SettingsEnvironment {
    AppState& app;
    HotKey& hotKey;
    /// Takes every key press of the program while a shortcut is recorded. Modifiers come as
    /// the global shortcut reads them: Control, Alt as option, Super as command.
    KeyMonitor& keyMonitor;
    Sound& sound;
    LoginItem& loginItem;
    ATextImporter& importer;
    Library& library;
    FileViewer& fileViewer;
    Log& log;
};

/// The settings window's state and what its controls do: recording a new global shortcut,
/// starting at login, importing aText backups and finding the library file. One lives as
/// long as the window that shows it. Main thread only.
class SettingsModel {
public:
    /// The shortcut button's title while it waits for a combination.
    static constexpr const char* recordingTitle = I18N_NOOP("Type a shortcut…");

    /// Reads whether the program opens at login.
    explicit SettingsModel(const SettingsEnvironment& environment);
    /// Stops a recording, so the global shortcut is active again.
    ~SettingsModel();
    SettingsModel(const SettingsModel&) = delete;
    SettingsModel& operator=(const SettingsModel&) = delete;

    bool recording() const { return recording_; }
    bool openAtLogin() const { return openAtLogin_; }
    /// The outcome of the last "Import Latest Backup", for as long as the window lives.
    const std::optional<std::string>& importMessage() const { return importMessage_; }
    /// "Type a shortcut…" while recording, else the shortcut ("Ctrl+Alt+Space").
    std::string shortcutTitle() const;
    /// Whether aText's backups folder holds a backup now.
    bool offersLatestBackup() const;

    /// The shortcut button: starts recording, or stops when already recording.
    void toggleRecording();
    /// Switches the global shortcut off and takes the program's key presses until a
    /// combination with Control, Alt or Super is typed, or Escape cancels.
    void startRecording();
    /// Gives up the key presses and, after a recording, registers the current shortcut again.
    /// Also called when the window goes away.
    void stopRecording();

    /// Adds or removes the login entry; when that fails the switch shows the real state.
    void setOpenAtLogin(bool enabled);

    /// Imports the newest aText backup and says what it added; a failure is reported by the
    /// importer and leaves the message as it was.
    void importLatestBackup();
    /// Lets the user choose a backup; the importer reports the outcome.
    void chooseBackup();
    /// Writes the library now, so the file exists and is current, then shows it in the
    /// file manager.
    void showLibraryFile();

    /// "Imported 1 snippet.", "Imported 12 snippets.", or that nothing was new.
    static std::string importResult(std::size_t added);

    /// Grows by one with every change of the state above, or of the shortcut and its problem.
    std::uint64_t revision() const { return revision_; }
    ObserverList::ID addObserver(std::function<void()> observer) {
        return observers_.add(std::move(observer));
    }
    void removeObserver(ObserverList::ID id) { observers_.remove(id); }

private:
    void record(const KeyEvent& event);
    void changed();

    SettingsEnvironment environment_;
    bool openAtLogin_;
    bool recording_ = false;
    bool monitorInstalled_ = false;
    std::optional<std::string> importMessage_;
    AppState::ObserverID appObserver_;

    std::uint64_t revision_ = 0;
    ObserverList observers_;
};

} // namespace quillo
