// The library window's frame, sidebar, list and detail column, driven as a user drives them.
#include "LibraryWindowFixture.h"
#include "gui/library/DetailPane.h"
#include "gui/library/MessageView.h"
#include "gui/library/StandInEditor.h"
#include "gui/library/StatusCard.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <fstream>
#include <gmock/gmock.h>

namespace quillo {
namespace {

using IDs = Library::SnippetIDs;

class LibraryWindowTest : public testing::LibraryWindowFixture {};

TEST_F(LibraryWindowTest, windowHasItsTitleSizesMenuAndToolbar) {
    window = makeWindow();
    EXPECT_EQ(window->windowTitle(), "Quillo");
    EXPECT_EQ(window->objectName(), "library");
    EXPECT_EQ(window->minimumSize(), QSize(900, 520));
    EXPECT_EQ(window->size(), QSize(1180, 720));

    QMenu* file = window->menuBar()->findChild<QMenu*>();
    ASSERT_NE(file, nullptr);
    EXPECT_THAT(actionTexts(*file).mid(0, 4).toVector(),
                ::testing::ElementsAre("New Snippet", "New Group…", "—", "Import from aText…"));
    EXPECT_EQ(window->newSnippetCommand()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_EQ(window->newGroupCommand()->shortcut(),
              QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_N));
    EXPECT_TRUE(window->importCommand()->shortcut().isEmpty());

    EXPECT_EQ(window->newSnippetButton()->toolTip(), "New snippet (Ctrl+N)");
    EXPECT_EQ(window->deleteButton()->toolTip(), "Delete selected snippets");
    EXPECT_FALSE(window->deleteButton()->isEnabled());
}

TEST_F(LibraryWindowTest, menuCommandsAskTheApplicationStateAndTheWindowAnswers) {
    window = makeWindow();
    const int focus = app.focusNameToken();
    window->newSnippetCommand()->trigger();
    ASSERT_EQ(library->snippets().size(), 1u);
    EXPECT_EQ(app.newSnippetRequest(), 1);
    EXPECT_EQ(app.focusNameToken(), focus + 1);
    EXPECT_EQ(window->browser().selection(), IDs{library->snippets()[0].id});
    EXPECT_TRUE(window->deleteButton()->isEnabled());

    window->newGroupCommand()->trigger();
    EXPECT_TRUE(app.creatingGroup());
    ASSERT_NE(window->groupAlert(), nullptr);
    EXPECT_TRUE(window->groupAlert()->isVisible());

    window->groupAlert()->reject();
    window->importCommand()->trigger();
    ASSERT_EQ(dialogs.panels.size(), 1u) << "the open panel asks for a backup";
    window->newSnippetButton()->trigger();
    EXPECT_EQ(library->snippets().size(), 2u);
}

TEST_F(LibraryWindowTest, revealFromThePickerSelectsAndScrollsToTheSnippet) {
    for (int i = 0; i < 80; ++i)
        add("Snippet " + std::to_string(100 + i));
    const Snippet target = *library->snippet(library->snippets()[70].id);
    window = makeWindow();
    QTest::keyClicks(window->sidebar()->searchField(), "snippet 1");

    picker.openInLibrary = [this](Uuid id) { app.showLibrary(id); };
    picker.openInLibrary(target.id);
    EXPECT_EQ(window->browser().search(), "");
    EXPECT_EQ(window->sidebar()->searchField()->text(), "");
    const int row = rowNamed("Snippet 170");
    ASSERT_EQ(row, 70);
    EXPECT_TRUE(snippetList()->selectionModel()->isRowSelected(row, {}));
    const QRect shown = snippetList()->visualRect(snippetList()->model()->index(row, 0));
    EXPECT_TRUE(snippetList()->viewport()->rect().intersects(shown)) << "scrolled into sight";
}

TEST_F(LibraryWindowTest, listKeepsItsPlaceAfterEditsAndStartsAtTheTopForANewChoice) {
    for (int i = 0; i < 80; ++i)
        add("Snippet " + std::to_string(100 + i));
    window = makeWindow();
    QScrollBar* scroll = snippetList()->verticalScrollBar();
    scroll->setValue(scroll->maximum() / 2);
    const int place = scroll->value();
    ASSERT_GT(place, 0);

    Snippet renamed = *library->snippet(library->snippets()[0].id);
    renamed.name = "Snippet 999"; // moves from the top to the bottom of the list
    library->update(renamed);
    ASSERT_EQ(listedNames().last(), "Snippet 999");
    EXPECT_EQ(scroll->value(), place);

    chooseSidebarRow("Ungrouped");
    EXPECT_EQ(scroll->value(), 0);
}

TEST_F(LibraryWindowTest, sidebarRowsCountAndChooseWhatTheListShowsWithTheSearchField) {
    const Uuid work = library->addGroup("Work").id;
    library->addGroup("Empty");
    add("Invoice late", work);
    add("Alpha", work);
    const Snippet copy = add("Invoice copy");
    use(copy);
    window = makeWindow();
    EXPECT_THAT(sidebarRows().toVector(),
                ::testing::ElementsAre("All Snippets 3", "Recently Used", "Groups", "Work 2",
                                       "Empty 0", "Ungrouped 1"));
    library->move({copy.id}, work);
    EXPECT_THAT(sidebarRows().toVector(), ::testing::ElementsAre("All Snippets 3", "Recently Used",
                                                                 "Groups", "Work 3", "Empty 0"));
    library->move({copy.id}, std::nullopt);
    EXPECT_EQ(sidebarRows().last(), "Ungrouped 1");

    EXPECT_EQ(listedNames(), QStringList({"Alpha", "Invoice copy", "Invoice late"}));
    EXPECT_EQ(sidebarList()->selectionModel()->selectedRows().value(0).row(), 0);
    chooseSidebarRow("Recently Used");
    EXPECT_EQ(listedNames(), QStringList({"Invoice copy"}));
    chooseSidebarRow("Groups");
    EXPECT_EQ(window->browser().sidebar(), SidebarItem::recent()) << "the heading is no choice";

    chooseSidebarRow("Work");
    QTest::keyClicks(window->sidebar()->searchField(), "invoice");
    EXPECT_EQ(listedNames(), QStringList({"Invoice late"}));
    QTest::keyClicks(window->sidebar()->searchField(), "zzz");
    MessageView* notice = window->snippetList()->notice();
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->title(), "No Results for “invoicezzz”");
    window->sidebar()->searchField()->clear();
    EXPECT_FALSE(notice->isVisible());
}

TEST_F(LibraryWindowTest, rowsShowNamePreviewAndGroupWhereTheSidebarDoesNot) {
    const Uuid work = library->addGroup("Work").id;
    Snippet rich = add("Greeting", work);
    rich.format = SnippetFormat::rich;
    rich.text = "<div>Hello <b>there</b></div><div>Second line</div>";
    library->update(rich);
    window = makeWindow();
    const QModelIndex row = snippetList()->model()->index(0, 0);
    EXPECT_EQ(row.data().toString(), "Greeting");
    EXPECT_EQ(row.data(SnippetListModel::PreviewRole).toString(), "Hello there Second line");
    EXPECT_EQ(row.data(SnippetListModel::GroupRole).toString(), "Work");

    chooseSidebarRow("Work");
    EXPECT_FALSE(snippetList()->model()->index(0, 0).data(SnippetListModel::GroupRole).isValid());
}

TEST_F(LibraryWindowTest, clicksSelectAndTheDetailColumnFollows) {
    add("Alpha", std::nullopt, "First text");
    add("Beta");
    add("Gamma");
    window = makeWindow();
    DetailPane* detail = window->detail();
    EXPECT_EQ(detail->currentPage(), detail->message());
    EXPECT_EQ(detail->message()->title(), "No Snippet Selected");
    EXPECT_EQ(detail->message()->description().toStdString(),
              "Press " + app.shortcut().displayString() + " in any app to search and paste.");

    clickRow(snippetList(), 0);
    ASSERT_NE(detail->editor(), nullptr);
    EXPECT_EQ(detail->currentPage(), detail->editor());
    auto* standIn = dynamic_cast<StandInEditor*>(detail->editor());
    ASSERT_NE(standIn, nullptr) << "no editor given: the stand-in shows the snippet";
    EXPECT_EQ(standIn->nameLabel()->text(), "Alpha");

    clickRow(snippetList(), 2, Qt::ControlModifier);
    EXPECT_EQ(window->browser().selection().size(), 2u);
    EXPECT_EQ(detail->currentPage(), detail->message());
    EXPECT_EQ(detail->message()->title(), "2 Snippets Selected");

    clickRow(snippetList(), 1);
    EXPECT_EQ(detail->currentPage(), detail->editor());
    EXPECT_EQ(standIn->nameLabel()->text(), "Beta") << "one editor, pointed at the new choice";
}

TEST_F(LibraryWindowTest, anEditorFactoryIsUsedOnceAndPointedAtEachChoice) {
    class RecordingEditor final : public DetailEditor {
    public:
        using DetailEditor::DetailEditor;
        void showSnippet(Uuid id) override { shown.push_back(id); }
        std::vector<Uuid> shown;
    };
    const Snippet a = add("A");
    const Snippet b = add("B");
    int made = 0;
    RecordingEditor* recording = nullptr;
    window = makeWindow();
    window->setEditorFactory([&](QWidget* parent) {
        ++made;
        recording = new RecordingEditor(parent);
        return recording;
    });
    window->browser().setSelection({a.id});
    Snippet renamed = a;
    renamed.name = "A2";
    library->update(renamed); // the editor follows edits itself
    window->browser().setSelection({b.id});
    EXPECT_EQ(made, 1);
    ASSERT_NE(recording, nullptr);
    EXPECT_EQ(recording->shown, (std::vector<Uuid>{a.id, b.id}));
}

TEST_F(LibraryWindowTest, emptyLibraryInvitesToWriteOrImport) {
    window = makeWindow();
    DetailPane* detail = window->detail();
    EXPECT_EQ(detail->currentPage(), detail->emptyLibrary());
    EXPECT_EQ(detail->emptyLibrary()->title(), "No Snippets Yet");
    EXPECT_EQ(detail->emptyLibrary()->description(),
              "Write your first response, or bring in everything from aText.");
    EXPECT_FALSE(detail->importButton()->isVisible()) << "no aText backup to import";
    EXPECT_FALSE(window->snippetList()->notice()->isVisible()) << "the list stays blank";

    std::filesystem::create_directories(importer.backupsFolder());
    std::ofstream(importer.backupsFolder() / "Backup.atext") << "not really";
    window->close();
    window = makeWindow();
    ASSERT_TRUE(window->detail()->importButton()->isVisible());
    window->detail()->importButton()->click();
    EXPECT_EQ(dialogs.errors.size() + dialogs.alerts.size(), 1u) << "the import ran and failed";

    QAbstractButton* create = button(window->detail()->emptyLibrary(), "New Snippet");
    ASSERT_NE(create, nullptr);
    create->click();
    EXPECT_EQ(library->snippets().size(), 1u);
    EXPECT_EQ(window->detail()->currentPage(), window->detail()->editor());
}

TEST_F(LibraryWindowTest, statusCardFollowsThePermission) {
    window = makeWindow();
    StatusCard* card = window->sidebar()->statusCard();
    EXPECT_FALSE(card->showsCard());
    EXPECT_EQ(card->readyLabel()->text().toStdString(),
              "Ready · " + app.shortcut().displayString() + " to insert");

    accessibility.trusted = false;
    app.startMonitoringPermission();
    scheduler.advance(AppState::permissionPollInterval);
    EXPECT_TRUE(card->showsCard());
    EXPECT_TRUE(card->cardHeading()->isVisible());
    EXPECT_FALSE(card->readyLabel()->isVisible());
    EXPECT_EQ(card->cardHeading()->text(), "Permission needed");
    const int prompts = accessibility.prompts;
    card->allowButton()->click();
    EXPECT_EQ(accessibility.prompts, prompts + 1);

    accessibility.trusted = true;
    scheduler.advance(AppState::permissionPollInterval);
    EXPECT_FALSE(card->showsCard());
}

} // namespace
} // namespace quillo
