// Renders the pictures of docs/screenshots: the library window, the picker's two faces
// and the settings window, offscreen, each in the state the README describes. Every scene
// is a GoogleTest case so that it can borrow the widget tests' fixtures and fakes; run it
// with scripts/screenshots.sh.
#include "fakes/AppFixture.h"
#include "fakes/SettingsFixture.h"
#include "gui/LibraryWindowFixture.h"
#include "gui/library/Banners.h"
#include "gui/library/GroupAlert.h"
#include "gui/picker/PickerView.h"
#include "gui/settings/SettingsWindow.h"
#include "platform/QtShortcutKeyMonitor.h"

#include <QApplication>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gmock/gmock.h>

namespace quillo {
namespace {

void save(QWidget* widget, const QString& name) {
    QCoreApplication::processEvents();
    const QString folder = qEnvironmentVariable("QUILLO_SCREENSHOTS", QUILLO_SCREENSHOT_FOLDER);
    const QString path = folder + "/" + name + ".png";
    ASSERT_TRUE(widget->grab().save(path)) << path.toStdString();
}

QPalette darkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(40, 40, 44));
    dark.setColor(QPalette::WindowText, QColor(235, 235, 240));
    dark.setColor(QPalette::Base, QColor(30, 30, 34));
    dark.setColor(QPalette::AlternateBase, QColor(36, 36, 40));
    dark.setColor(QPalette::Text, QColor(235, 235, 240));
    dark.setColor(QPalette::Button, QColor(55, 55, 60));
    dark.setColor(QPalette::ButtonText, QColor(235, 235, 240));
    dark.setColor(QPalette::Highlight, QColor(10, 132, 255));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::PlaceholderText, QColor(140, 140, 150));
    dark.setColor(QPalette::Mid, QColor(70, 70, 76));
    return dark;
}

// Puts the application's palette back when a scene ends.
struct PaletteForScene {
    explicit PaletteForScene(const QPalette& palette) { QApplication::setPalette(palette); }
    ~PaletteForScene() { QApplication::setPalette(original); }
    QPalette original = QApplication::palette();
};

class LibraryScenes : public testing::LibraryWindowFixture {
protected:
    /// A support team's library: three groups, a dozen snippets, a few of them used.
    void fillLibrary() {
        const Uuid support = library->addGroup("Customer Support").id;
        const Uuid sales = library->addGroup("Sales").id;
        library->addGroup("Personal");
        Snippet thanks = add("Thanks for waiting", support);
        thanks.format = SnippetFormat::rich;
        thanks.text =
            "<div>Hi {{field:Customer}},</div><div>Thanks for waiting. Your order "
            "{{field:Order|A-1}} is on its way and should arrive within three days.</div>";
        library->update(thanks);
        add("Refund policy", support,
            "Refunds are issued within 14 days of the return reaching our warehouse. You will "
            "get an email once it is done.");
        add("Password reset", support,
            "You can reset your password from the sign-in page: choose Forgot password and "
            "follow the link we send you.");
        add("Shipping times", support, "Orders ship within 2 working days.\nExpress: next day.");
        add("Price list", sales,
            "Our current prices are attached. Volume discounts start at 50 seats.");
        add("Demo invitation", sales,
            "Would you like a 30-minute demo next week? Pick a time here:");
        add("Follow-up 2", sales, "Just checking in on my last email.");
        add("Follow-up 10", sales, "Circling back one last time.");
        add("Home address", std::nullopt, "12 Long Lane\nLeeds LS1 4AB");
        add("Sign-off", std::nullopt, "Kind regards,\nSam");
        use(*library->snippet(thanks.id));
    }
};

TEST_F(LibraryScenes, empty) {
    window = makeWindow();
    save(window.get(), "library-empty");
}

TEST_F(LibraryScenes, groupsAndTheirAlerts) {
    fillLibrary();
    window = makeWindow();
    chooseSidebarRow("All Snippets");
    clickRow(snippetList(), rowNamed("Thanks for waiting"));
    save(window.get(), "library-groups");

    accessibility.trusted = false;
    app.startMonitoringPermission();
    scheduler.advance(AppState::permissionPollInterval);
    chooseSidebarRow("Customer Support");
    save(window.get(), "library-group-permission-needed");
}

TEST_F(LibraryScenes, problemAndUndoBanners) {
    fillLibrary();
    window = makeWindow();
    clickRow(snippetList(), 0);
    clickRow(snippetList(), 1, Qt::ControlModifier);
    window->deleteButton()->trigger();
    save(window->deleteConfirmation(), "library-delete-confirmation");
    button(window->deleteConfirmation(), "Delete")->click();
    library->setProblem("Quillo couldn't read your library file, so it set it aside as “library "
                        "unreadable 2026-03-01 09.05.07.json” and started a new one.");
    save(window.get(), "library-banners");
    window->sidebar()->newGroupButton()->click();
    save(window->groupAlert(), "library-group-alert");
}

TEST_F(LibraryScenes, dark) {
    const PaletteForScene dark(darkPalette());
    fillLibrary();
    library->setProblem("Quillo couldn't save your library.");
    window = makeWindow();
    clickRow(snippetList(), 2);
    save(window.get(), "library-dark");
    window.reset();
}

class PickerScenes : public testing::AppFixture {};

TEST_F(PickerScenes, bothFacesInLightAndDarkPalettes) {
    Snippet thanks = add("Thanks for waiting",
                         "<p>Hi {{field:Customer}},</p><p>Thanks for waiting. Your order "
                         "{{field:Order|A-1}} is on its way.</p><p>{{clipboard}}</p>",
                         SnippetFormat::rich);
    thanks.groupID = library->addGroup("Support").id;
    library->update(thanks);
    add("Address", "12 Long Lane\nLeeds");
    add("Sign-off", "Kind regards,\nSam");

    for (const auto& [name, palette] :
         {std::pair{"light", QApplication::palette()}, std::pair{"dark", darkPalette()}}) {
        const PaletteForScene scene(palette);
        picker.showSearch();
        picker.setSelectedIndex(2); // Address, Sign-off, Thanks for waiting
        PickerView view(picker, *library, clock);
        view.show();
        save(&view, QStringLiteral("picker-%1-search").arg(name));
        picker.commit(false);
        QTest::keyClicks(QApplication::focusWidget(), "Ann");
        save(&view, QStringLiteral("picker-%1-fields").arg(name));
        picker.close();
    }
}

class SettingsScenes : public testing::SettingsFixture {};

TEST_F(SettingsScenes, afterAnImport) {
    putBackup("today.atext", "one-snippet.atext");
    QtShortcutKeyMonitor shortcutKeys;
    SettingsWindow window(SettingsEnvironment{app, hotKey, shortcutKeys, sound, loginItem, importer,
                                              *library, fileViewer, log});
    window.present();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (QPushButton* button : window.findChildren<QPushButton*>())
        if (button->text() == "Import Latest Backup")
            QTest::mouseClick(button, Qt::LeftButton);
    save(&window, "settings");
}

} // namespace
} // namespace quillo
