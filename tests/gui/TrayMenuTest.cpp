// The tray menu: what it holds closed and open, and that a snippet chosen from it is pasted
// although the menu lets go of its items once closed.
#include "gui/TrayMenu.h"

#include "fakes/AppFixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QStringList>
#include <gtest/gtest.h>

namespace quillo {
namespace {

/// Every item's text, submenus' items after their title, indented.
QStringList titles(const QMenu& menu, const QString& indent = {}) {
    QStringList result;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator())
            continue;
        result << indent + action->text();
        if (action->menu() != nullptr)
            result << titles(*action->menu(), indent + "  ");
    }
    return result;
}

QAction* itemNamed(const QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text)
            return action;
        if (action->menu() != nullptr)
            if (QAction* found = itemNamed(*action->menu(), text))
                return found;
    }
    return nullptr;
}

class TrayMenuTest : public testing::AppFixture {
protected:
    MenuModel model{{*library, app, picker, paster, workspace, scheduler, shell}};
};

TEST_F(TrayMenuTest, ClosedItHoldsItsCommandsAndOpenEverySnippet) {
    add("Greeting", "Hello there");
    add("Sign-off", "Kind regards");
    TrayMenu tray(model);
    const QStringList commands{"Insert Snippet…  Ctrl+Alt+Space", "Open Library…", "Settings…",
                               "Quit Quillo"};
    EXPECT_EQ(titles(tray.menu()), commands);

    emit tray.menu().aboutToShow();
    EXPECT_EQ(titles(tray.menu()),
              (QStringList{commands[0], "Ungrouped", "  Greeting", "  Sign-off", commands[1],
                           commands[2], commands[3]}));

    // As a menu does: it hides, then triggers the chosen item; the items go afterwards.
    QAction* greeting = itemNamed(tray.menu(), "Greeting");
    ASSERT_NE(greeting, nullptr);
    emit tray.menu().aboutToHide();
    greeting->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(titles(tray.menu()), commands);

    scheduler.advance(MenuModel::pasteDelay);
    EXPECT_EQ(pasteboard.plainString(), "Hello there");
    EXPECT_EQ(keys.taps.size(), 1u);
}

} // namespace
} // namespace quillo
