#include "core/app/MenuModel.h"

#include "fakes/AppFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using testing::KeyTap;
using Strings = std::vector<std::string>;

/// The menu as lines: a title with its key hint in brackets, "—" for a separator, and a
/// submenu as its title and its snippets' names after a colon.
Strings outline(const std::vector<MenuItem>& menu) {
    Strings lines;
    for (const MenuItem& item : menu) {
        std::string line = item.kind == MenuItem::Kind::separator ? "—" : item.title;
        if (!item.keyHint.empty())
            line += " [" + item.keyHint + "]";
        if (item.kind == MenuItem::Kind::submenu) {
            line += ":";
            for (const MenuItem& snippet : item.items)
                line += " " + snippet.title + ",";
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

/// The menu's fixed items after its snippets.
Strings withFixedEnd(Strings lines) {
    lines.insert(lines.end(),
                 {"—", "Open Library…", "Settings… [Ctrl+,]", "—", "Quit Quillo [Ctrl+Q]"});
    return lines;
}

// The menu over an in-memory library, with every platform piece faked.
class MenuModelTest : public testing::AppFixture {
protected:
    Snippet add(const std::string& name, std::optional<Uuid> groupID = std::nullopt,
                const std::string& text = "<div>hello</div>") {
        Snippet snippet = library->addSnippet(groupID);
        snippet.name = name;
        snippet.text = text;
        library->update(snippet);
        return *library->snippet(snippet.id);
    }

    /// The first item with that title, anywhere in the menu as it is now.
    MenuItem item(const std::string& title) {
        const std::vector<MenuItem> items = menu.items();
        for (const MenuItem& top : items) {
            if (top.title == title)
                return top;
            for (const MenuItem& inner : top.items)
                if (inner.title == title)
                    return inner;
        }
        ADD_FAILURE() << "no item " << title;
        return {};
    }

    MenuModel menu{{*library, app, picker, paster, workspace, scheduler, shell}};
};

TEST_F(MenuModelTest, groupsInLibraryOrderWithTheirSnippetsInNaturalOrder) {
    const Uuid a = library->addGroup("A").id;
    library->addGroup("B"); // empty: no submenu
    const Uuid c = library->addGroup("C").id;
    add("Loose 2");
    const Snippet firstSame = add("Same", c);
    add("Item 10", a);
    add("item 2", a);
    add("Lost", Uuid::random()); // its group is gone: listed nowhere
    add("Item 1", a);
    add("Loose 1");
    const Snippet secondSame = add("same", c);
    add("Alpha", c);

    const std::vector<MenuItem> items = menu.items();
    EXPECT_EQ(outline(items),
              withFixedEnd({"Insert Snippet…  Ctrl+Alt+Space", "—", "A: Item 1, item 2, Item 10",
                            "C: Alpha, Same, same", "Ungrouped: Loose 2, Loose 1"}));
    // Equal names keep the library's order, and each item names its snippet.
    EXPECT_EQ(items[3].items[1].snippet, firstSame.id);
    EXPECT_EQ(items[3].items[2].snippet, secondSame.id);
    EXPECT_EQ(items[3].items[2].kind, MenuItem::Kind::snippet);
}

TEST_F(MenuModelTest, eachOpeningShowsTheLibraryAndShortcutAsTheyAreThen) {
    EXPECT_EQ(outline(menu.items()), withFixedEnd({"Insert Snippet…  Ctrl+Alt+Space", "—"}));
    const SnippetGroup work = library->addGroup("Work");
    add("Hello", work.id);
    EXPECT_EQ(outline(menu.items()),
              withFixedEnd({"Insert Snippet…  Ctrl+Alt+Space", "—", "Work: Hello"}));

    library->renameGroup(work.id, "Job");
    add("Bye", work.id);
    app.setShortcut({40, ShortcutModifier::command, "K"});
    EXPECT_EQ(outline(menu.items()),
              withFixedEnd({"Insert Snippet…  Super+K", "—", "Job: Bye, Hello"}));

    library->deleteGroup(work.id);
    EXPECT_EQ(outline(menu.items()),
              withFixedEnd({"Insert Snippet…  Super+K", "—", "Ungrouped: Hello, Bye"}));
}

TEST_F(MenuModelTest, theFixedItemsOpenThePickerTheLibraryTheSettingsAndQuit) {
    int libraryOpened = 0;
    app.openLibrary = [&libraryOpened] { ++libraryOpened; };

    menu.choose(menu.items().front());
    EXPECT_TRUE(panel.visible);
    EXPECT_EQ(picker.mode(), PickerModel::Mode::search);
    EXPECT_EQ(picker.target(), editor);

    menu.choose(item("Open Library…"));
    EXPECT_EQ(libraryOpened, 1);
    EXPECT_EQ(app.revealRequest(), std::nullopt);
    menu.choose(item("Settings…"));
    menu.choose(item("Quit Quillo"));
    EXPECT_EQ(shell.calls, (Strings{"activate", "openSettings", "quit"}));

    menu.choose(MenuItem{}); // a separator does nothing
    EXPECT_EQ(shell.calls.size(), 3u);
}

TEST_F(MenuModelTest, aChosenSnippetIsPastedLaterIntoTheApplicationInFrontWhenChosen) {
    // A snippet deleted before it is chosen does nothing.
    const Snippet gone = add("Gone");
    const MenuItem chosen = item("Gone");
    library->deleteSnippets({gone.id});
    menu.choose(chosen);
    scheduler.advance(1s);
    EXPECT_TRUE(keys.taps.empty());
    EXPECT_EQ(pasteboard.changeCount(), 0);

    const Snippet hello = add("Hello", std::nullopt, "<div>Hello there</div>");
    menu.choose(item("Hello"));
    scheduler.advance(199ms);
    EXPECT_TRUE(keys.taps.empty());
    scheduler.advance(1ms);
    EXPECT_THAT(keys.taps, ElementsAre(KeyTap{KeyCode::v, ModifierFlag::command}));
    EXPECT_EQ(pasteboard.plainString(), "Hello there");
    EXPECT_EQ(library->snippet(hello.id)->useCount, 1);
    EXPECT_FALSE(panel.visible);

    menu.choose(item("Hello"));
    workspace.frontmost = terminal; // the user moved on meanwhile
    scheduler.advance(200ms);
    EXPECT_EQ(keys.taps.size(), 1u);
    EXPECT_EQ(sound.beeps, 1) << "left on the clipboard instead";
}

TEST_F(MenuModelTest, aSnippetWithFieldsOpensThePickersFormAimedAtThatApplication) {
    const Snippet letter = add("Letter", std::nullopt, "<div>Dear {{field:Name|Ann}}</div>");
    menu.choose(item("Letter"));
    workspace.frontmost = terminal;
    EXPECT_FALSE(panel.visible);
    scheduler.advance(200ms);
    EXPECT_TRUE(panel.visible);
    EXPECT_EQ(picker.mode(), PickerModel::Mode::fields);
    EXPECT_EQ(picker.fillSnippet().value().id, letter.id);
    EXPECT_EQ(picker.target(), editor);
    EXPECT_FALSE(picker.copyOnly());
    EXPECT_TRUE(keys.taps.empty());
}

TEST_F(MenuModelTest, thePasteCommandFillsTheGivenFieldsAndDefaultsTheRestOrSaysNoneMatches) {
    const Snippet address =
        add("Address", std::nullopt, "{{field:Name|Ann}} in {{field:City|Rome}}");
    Snippet plain = *library->snippet(address.id);
    plain.format = SnippetFormat::plain;
    library->update(plain);
    EXPECT_EQ(menu.pasteByCommand("address", {}), "no snippet has the id or name “address”.");
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    EXPECT_EQ(menu.pasteByCommand("Address", {{"City", "Oslo"}, {"Other", "x"}}), std::nullopt);
    workspace.frontmost = terminal;
    scheduler.advance(200ms);
    EXPECT_FALSE(panel.visible) << "no form";
    EXPECT_TRUE(keys.taps.empty()) << "aimed at the application in front when asked";
    EXPECT_EQ(pasteboard.plainString(), "Ann in Oslo");
}

} // namespace
} // namespace quillo
