#include "core/app/SettingsModel.h"

#include "fakes/SettingsFixture.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quillo {
namespace {

using Combination = testing::FakeHotKeyService::Combination;

class SettingsModelTest : public testing::SettingsFixture {
protected:
    SettingsModelTest() {
        hotKey.registerShortcut(app.shortcut());
        model.addObserver([this] { ++notifications; });
    }

    /// A key pressed while the settings window's monitor is installed; true when taken.
    bool press(std::uint16_t keyCode, std::uint64_t flags, std::string characters = {}) {
        if (!recorderKeys.handler)
            return false;
        return recorderKeys.handler(KeyEvent{.keyCode = keyCode,
                                             .modifierFlags = flags,
                                             .charactersIgnoringModifiers = std::move(characters)});
    }

    SettingsModel model{settingsEnvironment()};
    int notifications = 0;
};

TEST_F(SettingsModelTest, RecordingSwitchesTheShortcutOffAndEscapeButtonOrClosingBringItBack) {
    EXPECT_EQ(model.shortcutTitle(), "Ctrl+Alt+Space");
    model.toggleRecording();
    EXPECT_TRUE(model.recording());
    EXPECT_EQ(model.shortcutTitle(), "Type a shortcut…");
    EXPECT_FALSE(service.held) << "the old shortcut would open the picker instead";
    EXPECT_FALSE(service.press());

    // Escape cancels whatever modifiers are held, and is swallowed too.
    EXPECT_TRUE(press(KeyCode::escape, ModifierFlag::control));
    EXPECT_FALSE(model.recording());
    EXPECT_FALSE(recorderKeys.handler);
    EXPECT_EQ(app.shortcut(), Shortcut::defaultPicker());
    EXPECT_EQ(service.held, defaultCombination);
    EXPECT_EQ(model.shortcutTitle(), "Ctrl+Alt+Space");
    EXPECT_TRUE(settings.values.empty());
    EXPECT_EQ(notifications, 2);

    // Pressing the button again, or closing the window, ends the recording too.
    model.toggleRecording();
    model.toggleRecording();
    EXPECT_FALSE(model.recording());
    EXPECT_FALSE(recorderKeys.handler);
    EXPECT_EQ(service.held, defaultCombination);
    {
        SettingsModel closing{settingsEnvironment()};
        closing.startRecording();
        EXPECT_FALSE(service.held);
    }
    EXPECT_FALSE(recorderKeys.handler);
    EXPECT_EQ(service.held, defaultCombination);

    // Stopping when not recording registers nothing.
    const auto calls = service.calls.size();
    model.stopRecording();
    EXPECT_EQ(service.calls.size(), calls);
}

TEST_F(SettingsModelTest, AComboWithControlAndAltBecomesTheStoredAndActiveShortcut) {
    model.startRecording();
    EXPECT_TRUE(press(keyK, ModifierFlag::control | ModifierFlag::option, "k"));

    EXPECT_FALSE(model.recording());
    EXPECT_FALSE(recorderKeys.handler);
    EXPECT_EQ(app.shortcut().displayString(), "Ctrl+Alt+K");
    EXPECT_EQ(model.shortcutTitle(), "Ctrl+Alt+K");
    EXPECT_EQ(Shortcut::saved(settings), app.shortcut());
    EXPECT_EQ(service.held, (Combination{keyK, 0x1800}));
    EXPECT_TRUE(service.press());

    // The old combination pressed while recording is recorded.
    model.startRecording();
    EXPECT_TRUE(press(KeyCode::space, ModifierFlag::control | ModifierFlag::option, " "));
    EXPECT_EQ(app.shortcut(), Shortcut::defaultPicker());
    EXPECT_EQ(service.held, defaultCombination);
}

TEST_F(SettingsModelTest, KeysWithoutControlAltOrSuperBeepAndRecordingGoesOn) {
    model.startRecording();
    EXPECT_TRUE(press(keyK, ModifierFlag::shift, "k"));
    // A key the hot key service has no code for could never be registered.
    EXPECT_TRUE(press(KeyCode::unknown, ModifierFlag::control, "ä"));
    EXPECT_EQ(sound.beeps, 2);
    EXPECT_TRUE(model.recording());
    EXPECT_EQ(model.shortcutTitle(), "Type a shortcut…");
    EXPECT_FALSE(service.held);
}

// What a refusal keeps and says, and that a later success clears it, is the app state's test.
TEST_F(SettingsModelTest, ATakenComboIsRefusedWithTheMessageAndTheOldOneStaysActive) {
    service.take(keyK, ShortcutModifier::command);
    model.startRecording();
    EXPECT_TRUE(press(keyK, ModifierFlag::command, "k"));
    EXPECT_FALSE(model.recording());
    EXPECT_EQ(service.held, defaultCombination);
    EXPECT_TRUE(app.shortcutProblem());
}

TEST_F(SettingsModelTest, TheLoginSwitchChangesTheEntryAndSnapsBackWhenThatFails) {
    EXPECT_FALSE(model.openAtLogin());
    model.setOpenAtLogin(true);
    EXPECT_TRUE(loginItem.enabled);
    EXPECT_TRUE(model.openAtLogin());

    loginItem.failure = "The autostart folder is read-only.";
    model.setOpenAtLogin(false);
    EXPECT_TRUE(model.openAtLogin()) << "the entry is still there";
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Quillo: The autostart folder is read-only."}));

    // Turning it on fails the same way.
    loginItem.enabled = false;
    SettingsModel another{settingsEnvironment()};
    another.setOpenAtLogin(true);
    EXPECT_FALSE(another.openAtLogin());
    EXPECT_EQ(loginItem.changes, 3);

    // The window shows what the entry says each time it is made.
    loginItem.enabled = true;
    EXPECT_TRUE(SettingsModel(settingsEnvironment()).openAtLogin());
}

TEST_F(SettingsModelTest, ImportingTheLatestBackupSaysWhatCameInAndAFailureKeepsTheMessage) {
    EXPECT_FALSE(model.offersLatestBackup());
    putBackup("today.atext", "one-snippet.atext");
    EXPECT_TRUE(model.offersLatestBackup());

    model.importLatestBackup();
    EXPECT_EQ(model.importMessage(), "Imported 1 snippet.");
    model.importLatestBackup();
    EXPECT_EQ(model.importMessage(), "Everything from aText is already in your library.");
    EXPECT_EQ(SettingsModel::importResult(12), "Imported 12 snippets.");
    EXPECT_TRUE(dialogs.nothingShown());

    // An unreadable backup is reported by the importer and leaves the message as it was.
    putBackup("today.atext", "hostile-root-array.atext");
    model.importLatestBackup();
    EXPECT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(model.importMessage(), "Everything from aText is already in your library.");
}

TEST_F(SettingsModelTest, ChooseFileLeavesTheOutcomeToTheImporter) {
    dialogs.chosenFile = testing::generatedBackup("one-snippet.atext");
    model.chooseBackup();
    EXPECT_EQ(dialogs.panels.size(), 1u);
    EXPECT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(model.importMessage(), std::nullopt);
    EXPECT_EQ(library->snippets().size(), 1u);
}

TEST_F(SettingsModelTest, ShowingTheLibraryFileWritesItFirst) {
    // Unlike the fixture's, this library writes its file.
    const std::unique_ptr<Library> saved = open();
    ASSERT_FALSE(std::filesystem::exists(file()));

    SettingsModel({app, hotKey, recorderKeys, sound, loginItem, importer, *saved, fileViewer, log})
        .showLibraryFile();
    EXPECT_TRUE(std::filesystem::exists(file()));
    EXPECT_EQ(fileViewer.revealed, std::vector<std::filesystem::path>{file()});
}

} // namespace
} // namespace quillo
