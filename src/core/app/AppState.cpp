#include "AppState.h"

#include "core/util/Translation.h"

#include <stdexcept>
#include <utility>

namespace quillo {

namespace {

std::optional<AppStateEnvironment>& sharedEnvironment() {
    static std::optional<AppStateEnvironment> environment;
    return environment;
}

} // namespace

AppState::AppState(const AppStateEnvironment& environment)
    : environment_(environment), accessibilityTrusted_(environment.accessibility.isTrusted(false)),
      shortcut_(Shortcut::saved(environment.settings)) {
    // The desktop may change the shortcut in a dialog of its own.
    environment_.hotKey.service().setChangedHandler([this] { changed(); });
}

AppState::~AppState() {
    environment_.hotKey.service().setChangedHandler({});
    poll_.cancel();
}

void AppState::configureShared(const AppStateEnvironment& environment) {
    sharedEnvironment().emplace(environment);
}

AppState& AppState::shared() {
    // Made once and never destroyed: windows and the poll may reach it at any time.
    static AppState* const state = [] {
        if (!sharedEnvironment())
            throw std::logic_error("AppState::configureShared must be called before shared()");
        return new AppState(*sharedEnvironment());
    }();
    return *state;
}

// ---- The permission poll

void AppState::startMonitoringPermission() {
    poll_.cancel();
    schedulePoll();
}

void AppState::schedulePoll() {
    // The handle always names the next tick, so cancelling it stops the poll.
    poll_ = environment_.scheduler.schedule(permissionPollInterval, [this] {
        // Rescheduled first, so an observer that restarts the poll is not undone below.
        schedulePoll();
        pollPermission();
    });
}

void AppState::pollPermission() {
    const bool trusted = environment_.accessibility.isTrusted(false);
    if (trusted == accessibilityTrusted_)
        return;
    accessibilityTrusted_ = trusted;
    changed();
}

void AppState::requestAccessibility() {
    environment_.accessibility.isTrusted(true);
}

// ---- Requests

void AppState::showLibrary(std::optional<Uuid> snippetID) {
    environment_.shell.activate();
    // A copy, so an action that replaces `openLibrary` does not destroy itself mid-call.
    if (const std::function<void()> open = openLibrary)
        open();
    if (snippetID) {
        revealRequest_ = Reveal{.id = *snippetID};
        changed();
    }
}

void AppState::setShortcut(const Shortcut& shortcut) {
    const Shortcut old = shortcut_;
    std::optional<std::string> problem;
    if (environment_.hotKey.registerShortcut(shortcut)) {
        shortcut_ = shortcut;
        Shortcut::save(shortcut, environment_.settings);
    } else {
        // Registering gave up the old combination: take it back so it keeps working.
        environment_.hotKey.registerShortcut(old);
        problem = fill(i18n("{shortcut} is already used by another app, so {old} is still the "
                            "shortcut."),
                       {{"shortcut", shortcut.displayString()}, {"old", old.displayString()}}) +
                  alreadyUsed(shortcut);
    }
    if (shortcut_ == old && problem == shortcutProblem_)
        return;
    shortcutProblem_ = std::move(problem);
    changed();
}

std::string AppState::alreadyUsed(const Shortcut& shortcut) const {
    const auto holder =
        environment_.hotKey.service().holderOf(shortcut.keyCode, shortcut.modifiers);
    return holder ? " " + fill(i18n("It is taken by “{holder}”."), {{"holder", *holder}})
                  : std::string();
}

void AppState::setShortcutInDesktop(bool on) {
    std::optional<std::string> problem;
    if (environment_.hotKey.service().setUpInDesktop(on) != 0)
        problem = fill(i18n("{shortcut} is already used by another app."),
                       {{"shortcut", shortcut_.displayString()}}) +
                  alreadyUsed(shortcut_);
    shortcutProblem_ = std::move(problem);
    changed();
}

void AppState::requestNewSnippet() {
    ++newSnippetRequest_;
    changed();
}

void AppState::requestFocusName() {
    ++focusNameToken_;
    changed();
}

void AppState::setCreatingGroup(bool creating) {
    if (creating == creatingGroup_)
        return;
    creatingGroup_ = creating;
    changed();
}

void AppState::changed() {
    ++revision_;
    observers_.notify();
}

} // namespace quillo
