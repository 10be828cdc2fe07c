// The settings window under the offscreen platform, with the real key monitor of the
// shortcut recorder: keys go in through the window as the desktop would send them.
#include "gui/settings/SettingsWindow.h"

#include "fakes/SettingsFixture.h"
#include "platform/QtShortcutKeyMonitor.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace quillo {
namespace {

using Combination = testing::FakeHotKeyService::Combination;

class SettingsWindowTest : public testing::SettingsFixture {
protected:
    SettingsWindowTest() { hotKey.registerShortcut(app.shortcut()); }

    SettingsWindow& open() {
        window = std::make_unique<SettingsWindow>(SettingsEnvironment{
            app, hotKey, keys, sound, loginItem, importer, *library, fileViewer, log});
        window->present();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }

    QPushButton* button(const QString& title) const {
        for (auto* candidate : window->findChildren<QPushButton*>())
            if (candidate->text() == title)
                return candidate;
        return nullptr;
    }
    QPushButton* shortcutButton() const { return window->findChildren<QPushButton*>().front(); }
    bool showsButton(const QString& title) const {
        const QPushButton* found = button(title);
        return found != nullptr && found->isVisibleTo(window.get());
    }
    /// The visible label with exactly that text, or null.
    QLabel* label(const QString& text) const {
        for (auto* candidate : window->findChildren<QLabel*>())
            if (candidate->text() == text && candidate->isVisibleTo(window.get()))
                return candidate;
        return nullptr;
    }

    /// A key typed on the keyboard while the window is in front.
    void type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window->windowHandle(), key, modifiers);
    }

    void startRecording() {
        QTest::mouseClick(shortcutButton(), Qt::LeftButton);
        ASSERT_EQ(shortcutButton()->text(), "Type a shortcut…");
        ASSERT_FALSE(service.held);
    }

    QtShortcutKeyMonitor keys;
    std::unique_ptr<SettingsWindow> window;
};

TEST_F(SettingsWindowTest, AFixedFormOfThreeSectionsWithTheRowsOfEach) {
    open();
    EXPECT_EQ(window->width(), SettingsWindow::fixedWidth);
    const auto sections = window->findChildren<QGroupBox*>();
    ASSERT_EQ(sections.size(), 3);
    EXPECT_EQ(sections[0]->title(), "");
    EXPECT_EQ(sections[1]->title(), "Permission");
    EXPECT_EQ(sections[2]->title(), "Library");
    for (const char* text : {"Insert snippet", "Accessibility", "aText", "Library file"})
        EXPECT_NE(label(text), nullptr) << text;
    EXPECT_NE(label("Needed to paste a response straight into the app you are in. Without it, "
                    "responses are copied to the clipboard for you to paste."),
              nullptr);
    EXPECT_EQ(shortcutButton()->text(), "Ctrl+Alt+Space");
    EXPECT_GE(shortcutButton()->width(), 120);
    EXPECT_NE(label("Allowed"), nullptr);
    EXPECT_FALSE(showsButton("Allow…"));
    // With no aText backup only the file chooser is offered.
    EXPECT_FALSE(showsButton("Import Latest Backup"));
    EXPECT_TRUE(showsButton("Choose File…"));
    EXPECT_TRUE(showsButton("Show in File Manager"));
    EXPECT_EQ(window->findChild<QCheckBox*>()->text(), "Open at login");
}

TEST_F(SettingsWindowTest, WithoutThePermissionAllowAsksForIt) {
    accessibility.trusted = false;
    app.startMonitoringPermission();
    scheduler.advance(AppState::permissionPollInterval);
    open();
    EXPECT_EQ(label("Allowed"), nullptr);
    QTest::mouseClick(button("Allow…"), Qt::LeftButton);
    EXPECT_EQ(accessibility.prompts, 1);

    accessibility.trusted = true;
    scheduler.advance(AppState::permissionPollInterval);
    EXPECT_NE(label("Allowed"), nullptr);
    EXPECT_FALSE(showsButton("Allow…"));
}

TEST_F(SettingsWindowTest, RecordingSwallowsEveryKeyUntilAComboIsStoredShownAndActive) {
    open();
    // A command of the window that the recorded combination must not trigger.
    QAction command(window.get());
    command.setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_W));
    window->addAction(&command);
    const QSignalSpy triggered(&command, &QAction::triggered);

    startRecording();
    shortcutButton()->setFocus();
    type(Qt::Key_K, Qt::ShiftModifier);
    type(Qt::Key_Space); // would press the focused button
    type(Qt::Key_Shift); // a modifier alone is no key-down at all
    EXPECT_EQ(sound.beeps, 2);
    EXPECT_EQ(shortcutButton()->text(), "Type a shortcut…");
    EXPECT_FALSE(service.held);

    type(Qt::Key_W, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(triggered.count(), 0);
    EXPECT_EQ(shortcutButton()->text(), "Ctrl+Alt+W");
    EXPECT_EQ(Shortcut::saved(settings).displayString(), "Ctrl+Alt+W");
    EXPECT_EQ(service.held, (Combination{13, 0x1800}));

    // The recording is over: keys reach the window's controls again.
    auto* field = new QLineEdit(window.get());
    field->show();
    field->setFocus();
    type(Qt::Key_A);
    EXPECT_EQ(field->text(), "a");
}

TEST_F(SettingsWindowTest, ATakenCombinationShowsTheMessageInOrangeAndKeepsTheOldOne) {
    service.take(keyK, ShortcutModifier::control | ShortcutModifier::option);
    service.holder = "Switch windows";
    open();
    startRecording();
    type(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);

    const QString message =
        "Ctrl+Alt+K is already used by another app, so Ctrl+Alt+Space is still the "
        "shortcut. It is taken by “Switch windows”.";
    const QLabel* problem = label(message);
    ASSERT_NE(problem, nullptr);
    const QColor colour = problem->palette().color(QPalette::WindowText);
    EXPECT_GT(colour.red(), colour.green());
    EXPECT_GT(colour.green(), colour.blue()) << "orange";
    EXPECT_EQ(shortcutButton()->text(), "Ctrl+Alt+Space");

    startRecording();
    type(Qt::Key_J, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(label(message));
}

TEST_F(SettingsWindowTest, ClosingTheWindowWhileRecordingBringsTheShortcutBack) {
    open();
    startRecording();
    window->close();
    EXPECT_EQ(service.held, defaultCombination);

    // Keys reach the program's other windows again.
    QLineEdit other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    QTest::keyClick(other.windowHandle(), Qt::Key_A);
    EXPECT_EQ(other.text(), "a");
    EXPECT_EQ(sound.beeps, 0);
}

TEST_F(SettingsWindowTest, TheButtonsAndTheLoginSwitchReachTheirCommands) {
    putBackup("today.atext", "one-snippet.atext");
    service.desktopSetUp = false; // a desktop that runs the shortcut itself
    open();
    QTest::mouseClick(button("Add to Desktop Shortcuts"), Qt::LeftButton);
    EXPECT_EQ(service.desktopSetUp, true);
    QTest::mouseClick(button("Remove from Desktop Shortcuts"), Qt::LeftButton);
    EXPECT_EQ(service.desktopSetUp, false);
    QTest::mouseClick(button("Import Latest Backup"), Qt::LeftButton);
    EXPECT_NE(label("Imported 1 snippet."), nullptr);

    auto* loginSwitch = window->findChild<QCheckBox*>();
    QTest::mouseClick(loginSwitch, Qt::LeftButton);
    EXPECT_TRUE(loginItem.enabled);
    loginItem.failure = "The autostart folder can't be written.";
    QTest::mouseClick(loginSwitch, Qt::LeftButton);
    EXPECT_TRUE(loginSwitch->isChecked()) << "snaps back";

    QTest::mouseClick(button("Show in File Manager"), Qt::LeftButton);
    EXPECT_EQ(fileViewer.revealed, std::vector<std::filesystem::path>{library->fileURL()});
}

} // namespace
} // namespace quillo
