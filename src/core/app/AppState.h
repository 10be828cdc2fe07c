#pragma once

#include "core/hotkey/HotKey.h"
#include "core/hotkey/Shortcut.h"
#include "core/platform/Accessibility.h"
#include "core/platform/ApplicationShell.h"
#include "core/platform/Scheduler.h"
#include "core/platform/SettingsStore.h"
#include "core/util/ObserverList.h"
#include "core/util/Uuid.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillo {

/// What the application state works with.
struct AppStateEnvironment {
    Accessibility& accessibility;
    Scheduler& scheduler;
    HotKey& hotKey;
    SettingsStore& settings;
    ApplicationShell& shell;
};

/// The program-wide state through which windows ask each other for things (show this
/// snippet, start a new one, open the new-group dialog) and which tells them whether
/// pasting is allowed and what the global shortcut is. Views observe it and react to
/// changes. Main thread only.
class AppState {
public:
    using ObserverID = ObserverList::ID;

    /// Asks the library window to select a snippet. The token makes every request differ,
    /// so asking twice for the same snippet is seen twice.
    struct Reveal {
        Uuid id;
        Uuid token = Uuid::random();
        friend bool operator==(const Reveal&, const Reveal&) = default;
    };

    /// How often the permission is looked at again.
    static constexpr std::chrono::milliseconds permissionPollInterval{2000};

    /// Reads whether pasting is allowed and the saved shortcut; registers nothing.
    explicit AppState(const AppStateEnvironment& environment);
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    /// Sets what the shared state is made with; call once, before the first `shared()`.
    static void configureShared(const AppStateEnvironment& environment);
    /// The program's state, made on first use and kept for the life of the process.
    static AppState& shared();

    // ---- Observed state (observers hear of a change only when a value really changes)

    /// Whether snippets can be pasted into other applications; kept current by the poll.
    bool accessibilityTrusted() const { return accessibilityTrusted_; }
    /// How the program pastes in this session, or what keeps it from pasting.
    std::string pastingStatus() const { return environment_.accessibility.pastingStatus(); }
    /// The latest request to show a snippet in the library; never reset.
    const std::optional<Reveal>& revealRequest() const { return revealRequest_; }
    /// Grows with each request for a new snippet; only its changes mean anything.
    int newSnippetRequest() const { return newSnippetRequest_; }
    /// Grows with each request to focus the snippet editor's name field.
    int focusNameToken() const { return focusNameToken_; }
    /// True while the new-group dialog should be shown.
    bool creatingGroup() const { return creatingGroup_; }
    /// The global shortcut in use.
    const Shortcut& shortcut() const { return shortcut_; }
    /// Why the last change of shortcut was refused, for the settings window.
    const std::optional<std::string>& shortcutProblem() const { return shortcutProblem_; }

    /// Opens or raises the library window; set by the window layer, not observed.
    std::function<void()> openLibrary;

    // ---- Operations

    /// Looks at the permission every two seconds for the life of the state, replacing a
    /// poll started before.
    void startMonitoringPermission();
    /// Asks the platform to let us paste; the answer arrives through the poll.
    void requestAccessibility();
    /// Brings the program forward, opens the library window and, with an id, asks it to
    /// select that snippet.
    void showLibrary(std::optional<Uuid> snippetID = std::nullopt);
    /// Registers `shortcut` as the global shortcut and saves it. When the system refuses
    /// it, the old one is registered again and kept, and `shortcutProblem` says why.
    void setShortcut(const Shortcut& shortcut);
    /// Adds the shortcut to the desktop's own shortcuts, or takes it away, where the desktop
    /// runs it (see HotKeyService::setUpInDesktop).
    void setShortcutInDesktop(bool on);
    /// Asks the library window for a new snippet.
    void requestNewSnippet();
    /// Asks the snippet editor to focus its name field.
    void requestFocusName();
    void setCreatingGroup(bool creating);

    // ---- Observation

    /// Grows by one with every change of the observed state.
    std::uint64_t revision() const { return revision_; }
    ObserverID addObserver(std::function<void()> observer) {
        return observers_.add(std::move(observer));
    }
    void removeObserver(ObserverID id) { observers_.remove(id); }

private:
    void schedulePoll();
    void pollPermission();
    void changed();
    std::string alreadyUsed(const Shortcut& shortcut) const;

    AppStateEnvironment environment_;

    bool accessibilityTrusted_;
    std::optional<Reveal> revealRequest_;
    int newSnippetRequest_ = 0;
    int focusNameToken_ = 0;
    bool creatingGroup_ = false;
    Shortcut shortcut_;
    std::optional<std::string> shortcutProblem_;
    ScheduledTask poll_;

    std::uint64_t revision_ = 0;
    ObserverList observers_;
};

} // namespace quillo
