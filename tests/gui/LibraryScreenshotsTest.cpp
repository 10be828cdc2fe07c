// The library window as a person sees it, saved for them to look at: empty, with groups,
// with both banners, and in a dark palette. Each shot also checks what must be painted.
#include "LibraryWindowFixture.h"
#include "gui/library/Banners.h"
#include "gui/library/GroupAlert.h"

#include <QMessageBox>
#include <QPalette>
#include <QToolButton>
#include <gmock/gmock.h>

namespace quillo {
namespace {

class LibraryScreenshotsTest : public testing::LibraryWindowFixture {
protected:
    static QString shotPath(const QString& name) {
        return QStringLiteral(QUILLO_SCREENSHOT_FOLDER "/library-%1.png").arg(name);
    }

    QImage shoot(QWidget* widget, const QString& name) {
        settle();
        QImage image = widget->grab().toImage();
        EXPECT_TRUE(image.save(shotPath(name))) << name.toStdString();
        return image;
    }

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

TEST_F(LibraryScreenshotsTest, emptyLibrary) {
    window = makeWindow();
    const QImage image = shoot(window.get(), "empty");
    EXPECT_EQ(image.size(), window->size() * image.devicePixelRatio());
}

TEST_F(LibraryScreenshotsTest, libraryWithGroupsAndASelectedSnippet) {
    fillLibrary();
    window = makeWindow();
    chooseSidebarRow("All Snippets");
    clickRow(snippetList(), rowNamed("Thanks for waiting"));
    const QImage image = shoot(window.get(), "groups");

    // The selected row is painted in the selection colour.
    const QRect row =
        snippetList()->visualRect(snippetList()->model()->index(rowNamed("Thanks for waiting"), 0));
    const QPoint inRow =
        snippetList()->viewport()->mapTo(window.get(), row.topLeft() + QPoint(3, 3));
    EXPECT_EQ(image.pixelColor(inRow * image.devicePixelRatio()),
              window->palette().color(QPalette::Active, QPalette::Highlight));

    accessibility.trusted = false;
    app.startMonitoringPermission();
    scheduler.advance(AppState::permissionPollInterval);
    chooseSidebarRow("Customer Support");
    shoot(window.get(), "group-permission-needed");
}

TEST_F(LibraryScreenshotsTest, problemAndUndoBanners) {
    fillLibrary();
    window = makeWindow();
    clickRow(snippetList(), 0);
    clickRow(snippetList(), 1, Qt::ControlModifier);
    window->deleteButton()->trigger();
    shoot(window->deleteConfirmation(), "delete-confirmation");
    button(window->deleteConfirmation(), "Delete")->click();
    library->setProblem("Quillo couldn't read your library file, so it set it aside as “library "
                        "unreadable 2026-03-01 09.05.07.json” and started a new one.");
    const QImage image = shoot(window.get(), "banners");

    // The problem banner is tinted, not the window's own colour.
    const QPoint inBanner = window->problemBanner()->mapTo(window.get(), QPoint(4, 4));
    EXPECT_NE(image.pixelColor(inBanner * image.devicePixelRatio()),
              window->palette().color(QPalette::Window));
    EXPECT_TRUE(window->snippetList()->undoBanner()->isVisible());

    window->sidebar()->newGroupButton()->click();
    shoot(window->groupAlert(), "group-alert");
}

TEST_F(LibraryScreenshotsTest, darkPalette) {
    const QPalette original = QApplication::palette();
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
    QApplication::setPalette(dark);
    fillLibrary();
    library->setProblem("Quillo couldn't save your library.");
    window = makeWindow();
    clickRow(snippetList(), 2);
    const QImage image = shoot(window.get(), "dark");
    const QPoint inSidebar = window->sidebar()->mapTo(window.get(), QPoint(2, 60));
    EXPECT_LT(image.pixelColor(inSidebar * image.devicePixelRatio()).lightness(), 100);
    window.reset();
    QApplication::setPalette(original);
}

} // namespace
} // namespace quillo
