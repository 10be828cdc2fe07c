#include "core/app/AppState.h"

#include "core/app/StartUp.h"
#include "fakes/AppFixture.h"
#include "fakes/FakeLoginItem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Strings = std::vector<std::string>;
using Combination = testing::FakeHotKeyService::Combination;

const Shortcut commandSpace{49, ShortcutModifier::command, "Space"};
const Shortcut commandK{40, ShortcutModifier::command, "K"};

Combination combinationOf(const Shortcut& shortcut) {
    return {shortcut.keyCode, shortcut.modifiers};
}

class AppStateTest : public testing::AppFixture {
protected:
    AppStateTest() {
        app.addObserver([this] { ++notifications; });
    }

    int notifications = 0;
};

TEST_F(AppStateTest, thePollNoticesChangesOnlyPromptsWhenAskedAndIsReplacedWhenRestarted) {
    EXPECT_TRUE(app.accessibilityTrusted());
    app.startMonitoringPermission();

    accessibility.trusted = false;
    scheduler.advance(1999ms);
    EXPECT_TRUE(app.accessibilityTrusted());
    scheduler.advance(1ms);
    EXPECT_FALSE(app.accessibilityTrusted());
    EXPECT_EQ(notifications, 1);

    scheduler.advance(6s);
    EXPECT_EQ(notifications, 1) << "ticks without a change tell nobody";

    accessibility.trusted = true;
    scheduler.advance(2s);
    EXPECT_TRUE(app.accessibilityTrusted());
    EXPECT_EQ(notifications, 2);
    EXPECT_EQ(accessibility.prompts, 0);

    // Requesting the permission prompts, and leaves the answer to the poll.
    accessibility.trusted = false;
    scheduler.advance(2s);
    accessibility.trusted = true; // the user allows it when asked
    app.requestAccessibility();
    EXPECT_EQ(accessibility.prompts, 1);
    EXPECT_FALSE(app.accessibilityTrusted());
    scheduler.advance(2s);
    EXPECT_TRUE(app.accessibilityTrusted());

    // Restarting the poll replaces it, and a state gone stops its own.
    app.startMonitoringPermission();
    scheduler.advance(1s);
    app.startMonitoringPermission();
    const int checksBefore = accessibility.checks;
    scheduler.advance(1s);
    EXPECT_EQ(accessibility.checks, checksBefore) << "the first poll no longer ticks";
    scheduler.advance(1s);
    EXPECT_EQ(accessibility.checks, checksBefore + 1);

    {
        AppState other(appEnvironment());
        other.startMonitoringPermission();
    }
    EXPECT_EQ(scheduler.pendingCount(), 1u) << "only this test's own poll is left";
}

TEST_F(AppStateTest, showingTheLibraryRaisesItAndEachRevealIsANewRequest) {
    int opened = 0;
    app.showLibrary();
    EXPECT_EQ(shell.calls, Strings{"activate"}) << "no window action yet: only activates";

    app.openLibrary = [&opened] { ++opened; };
    app.showLibrary();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(app.revealRequest(), std::nullopt);
    EXPECT_EQ(notifications, 0);

    const Uuid id = Uuid::random();
    app.showLibrary(id);
    const AppState::Reveal first = app.revealRequest().value();
    app.showLibrary(id);
    const AppState::Reveal second = app.revealRequest().value();
    EXPECT_EQ(first.id, id);
    EXPECT_EQ(second.id, id);
    EXPECT_NE(first, second);
    EXPECT_EQ(notifications, 2);
    EXPECT_EQ(opened, 3);
    EXPECT_EQ(shell.calls.size(), 4u);
}

TEST_F(AppStateTest, requestsNotifyOnlyWhenSomethingChanges) {
    app.requestNewSnippet();
    app.requestNewSnippet();
    app.requestFocusName();
    EXPECT_EQ(app.newSnippetRequest(), 2);
    EXPECT_EQ(app.focusNameToken(), 1);
    EXPECT_EQ(notifications, 3);

    app.setCreatingGroup(true);
    app.setCreatingGroup(true);
    EXPECT_TRUE(app.creatingGroup());
    EXPECT_EQ(notifications, 4);
    EXPECT_EQ(app.revision(), 4u);
}

TEST_F(AppStateTest, startsWithTheSavedShortcutAndAsksWithoutPrompting) {
    Shortcut::save(commandK, settings);
    accessibility.trusted = true;
    const AppState fresh(appEnvironment());
    EXPECT_EQ(fresh.shortcut(), commandK);
    EXPECT_TRUE(fresh.accessibilityTrusted());
    EXPECT_EQ(accessibility.prompts, 0);
    EXPECT_TRUE(service.calls.empty()) << "registering is the start-up's business";
}

TEST_F(AppStateTest, aTakenShortcutKeepsTheOldOneWorkingAndAFreeOneClearsTheProblem) {
    ASSERT_TRUE(hotKey.registerShortcut(app.shortcut()));
    service.take(commandSpace.keyCode, commandSpace.modifiers);

    app.setShortcut(commandSpace);
    EXPECT_EQ(
        app.shortcutProblem(),
        "Super+Space is already used by another app, so Ctrl+Alt+Space is still the shortcut.");
    EXPECT_EQ(app.shortcut(), Shortcut::defaultPicker());
    EXPECT_EQ(service.held, combinationOf(Shortcut::defaultPicker()));
    EXPECT_TRUE(settings.values.empty()) << "nothing is saved";
    EXPECT_EQ(notifications, 1);

    app.setShortcut(commandSpace);
    EXPECT_EQ(notifications, 1) << "the same refusal again changes nothing";

    app.setShortcut(commandK);
    EXPECT_EQ(app.shortcutProblem(), std::nullopt);
    EXPECT_EQ(app.shortcut(), commandK);
    EXPECT_EQ(service.held, combinationOf(commandK));
    EXPECT_EQ(Shortcut::saved(settings), commandK);
    EXPECT_EQ(notifications, 2);
}

class StartUpTest : public testing::AppFixture {
protected:
    void start() { StartUp::start({hotKey, picker, app, settings, loginItem}); }
    void pressShortcut() {
        ASSERT_TRUE(service.press());
        scheduler.advance(0ms);
    }

    testing::FakeLoginItem loginItem;
};

TEST_F(StartUpTest, theSavedShortcutTogglesThePickerWhichShowsSnippetsInTheLibraryAndThePollRuns) {
    Shortcut::save(commandK, settings);
    start();
    EXPECT_EQ(service.held, combinationOf(commandK));
    pressShortcut();
    EXPECT_TRUE(panel.visible);
    EXPECT_EQ(picker.mode(), PickerModel::Mode::search);
    pressShortcut();
    EXPECT_FALSE(panel.visible);

    // The picker shows snippets in the library, and the poll runs.
    const Uuid id = Uuid::random();
    picker.openInLibrary(id);
    EXPECT_EQ(app.revealRequest().value().id, id);
    EXPECT_EQ(shell.calls, Strings{"activate"});

    accessibility.trusted = !app.accessibilityTrusted();
    scheduler.advance(2s);
    EXPECT_EQ(app.accessibilityTrusted(), accessibility.trusted);
}

TEST_F(StartUpTest, aTakenSavedShortcutLeavesNoShortcutAndNoMessage) {
    service.take(49, Shortcut::defaultPicker().modifiers);
    start();
    EXPECT_EQ(service.held, std::nullopt);
    EXPECT_EQ(app.shortcut(), Shortcut::defaultPicker());
    EXPECT_EQ(app.shortcutProblem(), std::nullopt);
    EXPECT_THAT(log.lines, ElementsAre(HasSubstr("hotkey registration failed (10)")));
}

TEST_F(StartUpTest, theFirstStartTurnsOnTheLoginItemOnceOnly) {
    settings.values[StartUp::didFirstLaunchKey] = "false";
    start();
    EXPECT_TRUE(loginItem.enabled);
    EXPECT_EQ(settings.values[StartUp::didFirstLaunchKey], "true");

    loginItem.enabled = false; // the user turned it off in the settings
    start();
    EXPECT_FALSE(loginItem.enabled);
    EXPECT_EQ(loginItem.changes, 1);
}

TEST_F(StartUpTest, aLoginItemThatCannotBeSetIsIgnoredAndNotRetried) {
    loginItem.failure = "No autostart folder.";
    EXPECT_NO_THROW(start());
    EXPECT_EQ(settings.values[StartUp::didFirstLaunchKey], "true");
    EXPECT_NO_THROW(start());
    EXPECT_EQ(loginItem.changes, 1);
    EXPECT_TRUE(service.held) << "the rest of the start went ahead";
}

TEST(LaunchedAtLoginTest, onlyTheAutostartArgumentAfterTheProgramsPathCounts) {
    EXPECT_TRUE(StartUp::launchedAtLogin({"/usr/bin/quillo", "--autostart"}));
    EXPECT_TRUE(StartUp::launchedAtLogin({"quillo", "-x", "--autostart"}));
    EXPECT_FALSE(StartUp::launchedAtLogin({"/usr/bin/quillo"}));
    EXPECT_FALSE(StartUp::launchedAtLogin({"--autostart"}));
    EXPECT_FALSE(StartUp::launchedAtLogin({"quillo", "--autostart=1"}));
    EXPECT_FALSE(StartUp::launchedAtLogin({}));

    EXPECT_TRUE(StartUp::opensSettings({"quillo", "--settings"}));
    EXPECT_FALSE(StartUp::opensSettings({"quillo", "--autostart"}));
    EXPECT_FALSE(StartUp::launchedAtLogin({"quillo", "--settings"}));
}

} // namespace
} // namespace quillo
