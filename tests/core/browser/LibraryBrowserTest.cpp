#include "core/browser/LibraryBrowser.h"

#include "fakes/BrowserFixture.h"
#include "fakes/Names.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace quillo {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using IDs = Library::SnippetIDs;

// The library window's state and commands, without any window.
class LibraryBrowserTest : public testing::BrowserFixture {
protected:
    std::vector<std::string> listed() { return testing::namesOf(browser.visibleSnippets()); }

    LibraryBrowser browser{browserEnvironment()};
};

TEST_F(LibraryBrowserTest, newSnippetGoesIntoTheShownGroupOrUngroupedSelectedWithItsNameFocused) {
    const Uuid work = library->addGroup("Work").id;
    browser.setSidebar(SidebarItem::ofGroup(work));
    browser.setSearch("something");
    const int token = app.focusNameToken();

    browser.newSnippet();
    ASSERT_EQ(library->snippets().size(), 1u);
    const Snippet& made = library->snippets().back();
    EXPECT_EQ(made.groupID, work);
    EXPECT_EQ(browser.selection(), IDs{made.id});
    EXPECT_EQ(browser.search(), "");
    EXPECT_EQ(browser.sidebar(), SidebarItem::ofGroup(work));
    EXPECT_EQ(app.focusNameToken(), token + 1);
    EXPECT_EQ(browser.detail().kind, DetailContent::Kind::editor);
    EXPECT_EQ(browser.detail().snippet, made.id);

    // Under Recently Used it goes to All Snippets, ungrouped.
    browser.setSidebar(SidebarItem::recent());
    browser.newSnippet();
    EXPECT_EQ(browser.sidebar(), SidebarItem::all());
    EXPECT_EQ(library->snippets().back().groupID, std::nullopt);
    EXPECT_THAT(listed(), ElementsAre("New Snippet", "New Snippet"));

    browser.setSidebar(SidebarItem::ungrouped());
    browser.newSnippet();
    EXPECT_EQ(browser.sidebar(), SidebarItem::ungrouped());
    EXPECT_EQ(library->snippets().back().groupID, std::nullopt);
}

TEST_F(LibraryBrowserTest, theApplicationsNewSnippetRequestMakesOneEachTime) {
    app.requestNewSnippet();
    app.requestNewSnippet();
    EXPECT_EQ(library->snippets().size(), 2u);
    // Other changes of the application state make none.
    accessibility.trusted = false;
    scheduler.advance(AppState::permissionPollInterval);
    app.setCreatingGroup(true);
    EXPECT_EQ(library->snippets().size(), 2u);
}

TEST_F(LibraryBrowserTest, revealSelectsTheSnippetUnderAllSnippetsWithNoSearch) {
    const Uuid work = library->addGroup("Work").id;
    const Snippet target = add("Target");
    add("Other", work);
    browser.setSidebar(SidebarItem::ofGroup(work));
    browser.setSearch("oth");

    app.showLibrary(target.id);
    EXPECT_EQ(browser.sidebar(), SidebarItem::all());
    EXPECT_EQ(browser.search(), "");
    EXPECT_EQ(browser.selection(), IDs{target.id});

    // The same snippet asked for again is selected again.
    browser.setSelection({});
    app.showLibrary(target.id);
    EXPECT_EQ(browser.selection(), IDs{target.id});
    // Showing the library without a snippet leaves the selection alone.
    browser.setSelection({});
    app.showLibrary();
    EXPECT_THAT(browser.selection(), IsEmpty());

    // A reveal made before a window appears is selected when it does.
    app.showLibrary(target.id);
    LibraryBrowser later(browserEnvironment());
    EXPECT_THAT(later.selection(), IsEmpty());
    later.appear();
    EXPECT_EQ(later.selection(), IDs{target.id});
}

TEST_F(LibraryBrowserTest, snippetsThatLeaveTheLibraryFromElsewhereLeaveTheSelection) {
    std::vector<Uuid> ids;
    for (const char* name : {"A", "B", "C", "D", "E", "F"})
        ids.push_back(add(name).id);
    for (const IDs& selected : {IDs{ids[0], ids[1]}, IDs(ids.begin(), ids.end())}) {
        browser.setSelection(selected);
        library->deleteSnippets({ids[1]});
        EXPECT_FALSE(browser.selection().contains(ids[1]));
        EXPECT_EQ(browser.selection().size(), selected.size() - 1);
        library->undoDeletion();
    }
}

TEST_F(LibraryBrowserTest, observersHearOnceACommandIsDoneAndTheEditorBeforeTheFocusRequest) {
    add("Existing");
    std::vector<std::pair<IDs, int>> heard; // the selection and the focus token, each time
    browser.addObserver([&] { heard.emplace_back(browser.selection(), app.focusNameToken()); });
    const int token = app.focusNameToken();
    browser.newSnippet();
    const IDs made{library->snippets().back().id};
    ASSERT_EQ(heard.size(), 2u);
    // Never a state with the snippet made but not yet selected; and the editor of the new
    // snippet is shown before it is asked to focus its name.
    EXPECT_EQ(heard[0], std::pair(made, token));
    EXPECT_EQ(heard[1], std::pair(made, token + 1));

    heard.clear();
    browser.deleteFromRow(*made.begin());
    browser.confirmDeletion();
    EXPECT_EQ(heard.size(), 2u) << "one for the question, one for its answer";
    EXPECT_EQ(heard.back().first, IDs{});
}

TEST_F(LibraryBrowserTest, deletingTwoSelectedAsksCancelsOrDeletesThenUndoSelectsBothAgain) {
    const Snippet a = add("A");
    const Snippet b = add("B");
    add("C");
    browser.requestDelete();
    EXPECT_FALSE(browser.confirmDelete()) << "nothing selected, nothing to ask";

    browser.setSelection({a.id, b.id});
    browser.requestDelete();
    ASSERT_TRUE(browser.confirmDelete());
    EXPECT_EQ(browser.deleteConfirmationTitle(), "Delete 2 snippets?");
    browser.cancelDeletion();
    EXPECT_FALSE(browser.confirmDelete());
    EXPECT_EQ(library->snippets().size(), 3u) << "cancelled: nothing deleted";
    EXPECT_EQ(browser.selection(), (IDs{a.id, b.id}));

    browser.requestDelete();
    browser.confirmDeletion();
    EXPECT_FALSE(browser.confirmDelete());
    EXPECT_THAT(browser.selection(), IsEmpty());
    EXPECT_THAT(listed(), ElementsAre("C"));

    browser.setSidebar(SidebarItem::ungrouped());
    browser.setSearch("c");
    browser.undoDelete();
    EXPECT_EQ(browser.sidebar(), SidebarItem::all());
    EXPECT_EQ(browser.search(), "");
    EXPECT_EQ(browser.selection(), (IDs{a.id, b.id}));
    EXPECT_THAT(listed(), ElementsAre("A", "B", "C"));
    EXPECT_FALSE(library->lastDeletion());
}

TEST_F(LibraryBrowserTest, deleteFromARowOutsideTheSelectionDeletesOnlyThatRow) {
    const Snippet a = add("A");
    const Snippet b = add("B");
    const Snippet c = add("C");
    browser.setSelection({a.id, b.id});
    browser.deleteFromRow(c.id);
    EXPECT_EQ(browser.selection(), IDs{c.id});
    EXPECT_EQ(browser.deleteConfirmationTitle(), "Delete this snippet?");
    browser.confirmDeletion();
    EXPECT_THAT(listed(), ElementsAre("A", "B"));

    // From a row inside a multiple selection, the whole selection goes.
    browser.setSelection({a.id, b.id});
    browser.deleteFromRow(a.id);
    EXPECT_EQ(browser.deleteConfirmationTitle(), "Delete 2 snippets?");
    browser.confirmDeletion();
    EXPECT_THAT(listed(), IsEmpty());
}

TEST_F(LibraryBrowserTest, undoingAGroupDeletionShowsTheGroupAgainWithNothingSelected) {
    const Uuid work = library->addGroup("Work").id;
    const Snippet a = add("A", work);
    browser.setSidebar(SidebarItem::ofGroup(work));
    browser.setSelection({a.id});
    browser.deleteGroup(library->addGroup("Home").id);
    EXPECT_EQ(browser.sidebar(), SidebarItem::ofGroup(work)) << "another group: kept";

    browser.deleteGroup(work);
    EXPECT_EQ(browser.sidebar(), SidebarItem::all()) << "left before the group went";
    EXPECT_THAT(library->groups(), IsEmpty());
    EXPECT_EQ(library->snippet(a.id)->groupID, std::nullopt);

    browser.undoDelete();
    EXPECT_EQ(browser.sidebar(), SidebarItem::ofGroup(work));
    EXPECT_THAT(browser.selection(), IsEmpty());
    EXPECT_THAT(listed(), ElementsAre("A"));
}

TEST_F(LibraryBrowserTest, commandsWithNothingToActOnChangeNothingAndBannersDismiss) {
    const Snippet a = add("A");
    browser.setSelection({a.id});
    browser.confirmDeletion(); // not asked: nothing happens
    EXPECT_EQ(library->snippets().size(), 1u);

    library->deleteSnippets({a.id});
    library->undoDeletion(); // restored behind the window's back
    browser.setSearch("x");
    browser.undoDelete();
    EXPECT_EQ(browser.search(), "x") << "no deletion to undo: nothing changes";
    library->deleteSnippets({add("A").id});
    library->setProblem("The library couldn't be saved.");
    browser.dismissUndo();
    EXPECT_FALSE(library->lastDeletion());
    browser.dismissProblem();
    EXPECT_FALSE(library->problem());
    browser.showFiles();
    EXPECT_THAT(fileViewer.revealed, ElementsAre(library->folderURL()));
}

// The New Group command opens the same alert as the window's own button.
TEST_F(LibraryBrowserTest, groupAlertCreatesATrimmedGroupAndShowsItAndBlankOrCancelledNothing) {
    browser.startNewGroup();
    EXPECT_TRUE(app.creatingGroup());
    browser.setGroupName("   ");
    browser.finishGroupAlert(true);
    EXPECT_FALSE(browser.groupAlertShown());
    EXPECT_THAT(library->groups(), IsEmpty());
    EXPECT_EQ(browser.sidebar(), SidebarItem::all());
    browser.startNewGroup();
    browser.setGroupName("Work");
    browser.finishGroupAlert(false);
    EXPECT_FALSE(browser.groupAlertShown());
    EXPECT_THAT(library->groups(), IsEmpty());

    browser.setGroupName("left over");
    app.setCreatingGroup(true);
    EXPECT_TRUE(browser.groupAlertShown());
    EXPECT_TRUE(app.creatingGroup());
    EXPECT_EQ(browser.groupName(), "");
    EXPECT_EQ(browser.groupAlertTitle(), "New Group");
    EXPECT_EQ(browser.groupAlertAction(), "Create");

    browser.setGroupName("  Support\t");
    browser.finishGroupAlert(true);
    EXPECT_FALSE(browser.groupAlertShown());
    EXPECT_FALSE(app.creatingGroup());
    ASSERT_EQ(library->groups().size(), 1u);
    EXPECT_EQ(library->groups()[0].name, "Support");
    EXPECT_EQ(browser.sidebar(), SidebarItem::ofGroup(library->groups()[0].id));
}

TEST_F(LibraryBrowserTest, renamingStartsFromTheGroupsNameAndTrims) {
    const SnippetGroup work = library->addGroup("Work");
    browser.startRenaming(work);
    EXPECT_TRUE(browser.groupAlertShown());
    EXPECT_EQ(browser.groupName(), "Work");
    EXPECT_EQ(browser.groupAlertTitle(), "Rename Group");
    EXPECT_EQ(browser.groupAlertAction(), "Rename");

    browser.setGroupName(" Office ");
    browser.finishGroupAlert(true);
    EXPECT_FALSE(browser.renamingGroup());
    EXPECT_EQ(library->groups()[0].name, "Office");
    EXPECT_EQ(library->groups().size(), 1u);

    browser.startRenaming(library->groups()[0]);
    browser.setGroupName(" ");
    browser.finishGroupAlert(true);
    EXPECT_EQ(library->groups()[0].name, "Office") << "a blank name renames nothing";
}

TEST_F(LibraryBrowserTest, duplicateUnderRecentlyUsedSelectsTheUnlistedCopy) {
    const Snippet used = add("Used");
    use(used);
    browser.setSidebar(SidebarItem::recent());
    browser.duplicate(used.id);
    const Snippet& copy = library->snippets().back();
    EXPECT_EQ(copy.name, "Used copy");
    EXPECT_EQ(browser.sidebar(), SidebarItem::recent());
    EXPECT_EQ(browser.selection(), IDs{copy.id});
    EXPECT_THAT(listed(), ElementsAre("Used"));
    EXPECT_EQ(browser.detail().snippet, copy.id);

    browser.duplicate(Uuid::random());
    EXPECT_EQ(browser.selection(), IDs{copy.id}) << "nothing copied, selection kept";
}

TEST_F(LibraryBrowserTest, copyWithoutFieldsCopiesAndWithFieldsOpensTheForm) {
    const Snippet plain = add("Plain", std::nullopt, "Just text");
    browser.copyToClipboard(plain.id);
    EXPECT_EQ(pasteboard.plainString(), "Just text");
    EXPECT_EQ(library->snippet(plain.id)->useCount, 1);
    EXPECT_FALSE(panel.visible);

    Snippet form = add("Form");
    form.format = SnippetFormat::rich;
    form.text = "<div>Dear {{field:Name}}</div>";
    library->update(form);
    browser.copyToClipboard(form.id);
    EXPECT_TRUE(panel.visible);
    EXPECT_EQ(picker.mode(), PickerModel::Mode::fields);
    EXPECT_TRUE(picker.copyOnly());
    EXPECT_EQ(pasteboard.plainString(), "Just text") << "nothing copied yet";
}

TEST_F(LibraryBrowserTest, rowsNameTheirGroupOnlyWhereTheSidebarDoesNot) {
    const Uuid work = library->addGroup("Work").id;
    const Snippet a = add("A", work);
    EXPECT_EQ(browser.rowGroupName(a), "Work");
    browser.setSidebar(SidebarItem::recent());
    EXPECT_EQ(browser.rowGroupName(a), "Work");
    browser.setSidebar(SidebarItem::ofGroup(work));
    EXPECT_EQ(browser.rowGroupName(a), std::nullopt);
    browser.setSidebar(std::nullopt);
    EXPECT_EQ(browser.rowGroupName(a), std::nullopt);
}

TEST_F(LibraryBrowserTest, detailAndListNoticesFollowSelectionAndLibrary) {
    EXPECT_EQ(browser.detail().kind, DetailContent::Kind::emptyLibrary);
    EXPECT_EQ(browser.listNotice(), ListNotice::none) << "an empty library leaves the list blank";

    const Snippet a = add("A");
    const Snippet b = add("B");
    DetailContent detail = browser.detail();
    EXPECT_EQ(detail.kind, DetailContent::Kind::message);
    EXPECT_EQ(detail.title, "No Snippet Selected");
    EXPECT_EQ(detail.description,
              "Press " + app.shortcut().displayString() + " in any app to search and paste.");

    browser.setSelection({a.id, b.id});
    EXPECT_EQ(browser.detail().title, "2 Snippets Selected");
    browser.setSelection({Uuid::random()});
    EXPECT_EQ(browser.detail().kind, DetailContent::Kind::message)
        << "a gone snippet has no editor";

    browser.setSidebar(SidebarItem::recent());
    EXPECT_EQ(browser.listNotice(), ListNotice::noSnippets);
    browser.setSearch("zebra");
    EXPECT_EQ(browser.listNotice(), ListNotice::noResults);
    browser.setSearch("a");
    EXPECT_EQ(browser.listNotice(), ListNotice::noResults) << "A was never used";
    browser.setSidebar(SidebarItem::all());
    EXPECT_EQ(browser.listNotice(), ListNotice::none);
}

} // namespace
} // namespace quillo
