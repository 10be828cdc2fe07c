// The library window's commands: deleting and undoing, the group alert, the rows' context
// menu, dragging snippets onto groups, and the banners.
#include "LibraryWindowFixture.h"
#include "gui/library/Banners.h"
#include "gui/library/ElidedLabel.h"
#include "gui/library/GroupAlert.h"

#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <gmock/gmock.h>

namespace quillo {
namespace {

using IDs = Library::SnippetIDs;
using ::testing::ElementsAre;

class LibraryCommandsTest : public testing::LibraryWindowFixture {
protected:
    /// Answers the open delete confirmation with the button of that text.
    void answerConfirmation(const QString& answer) {
        QMessageBox* box = window->deleteConfirmation();
        ASSERT_NE(box, nullptr);
        QAbstractButton* chosen = button(box, answer);
        ASSERT_NE(chosen, nullptr) << answer.toStdString();
        chosen->click();
        settle();
    }

    /// Drops text on a sidebar row, as a drag from the list would.
    bool dropOnSidebarRow(int row, const QString& text) {
        QMimeData items;
        items.setText(text);
        QWidget* target = sidebarList()->viewport();
        const QPointF at =
            sidebarList()->visualRect(sidebarList()->model()->index(row, 0)).center();
        const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction;
        QDragEnterEvent enter(at.toPoint(), actions, &items, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDragMoveEvent move(at.toPoint(), actions, &items, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QDropEvent drop(at, actions, &items, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    int sidebarRowTitled(const QString& title) const {
        const QAbstractItemModel* model = sidebarList()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->index(row, 0).data().toString() == title)
                return row;
        return -1;
    }
};

// ---- Deleting and undoing

TEST_F(LibraryCommandsTest, deletingTwoAsksAndUndoSelectsBothUnderAllSnippets) {
    add("Alpha");
    add("Beta");
    add("Gamma");
    window = makeWindow();
    clickRow(snippetList(), 0);
    clickRow(snippetList(), 1, Qt::ControlModifier);
    ASSERT_TRUE(window->deleteButton()->isEnabled());
    window->deleteButton()->trigger();

    QMessageBox* box = window->deleteConfirmation();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), "Delete 2 snippets?");
    EXPECT_EQ(box->informativeText(), "You can undo this until you delete something else.");
    answerConfirmation("Delete");
    EXPECT_EQ(window->deleteConfirmation(), nullptr);
    EXPECT_EQ(listedNames(), QStringList({"Gamma"}));
    EXPECT_TRUE(window->browser().selection().empty());

    UndoBanner* banner = window->snippetList()->undoBanner();
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->summary()->text(), "Deleted 2 snippets");
    chooseSidebarRow("Recently Used");
    banner->undoButton()->click();
    EXPECT_FALSE(banner->isVisible());
    EXPECT_EQ(window->browser().sidebar(), SidebarItem::all());
    EXPECT_EQ(listedNames(), QStringList({"Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(snippetList()->selectionModel()->selectedRows().size(), 2);
    EXPECT_TRUE(snippetList()->selectionModel()->isRowSelected(0, {}));
    EXPECT_TRUE(snippetList()->selectionModel()->isRowSelected(1, {}));
}

TEST_F(LibraryCommandsTest, cancelKeepsEverythingAndTheDeleteKeyAsksToo) {
    add("Alpha");
    window = makeWindow();
    clickRow(snippetList(), 0);
    QTest::keyClick(snippetList(), Qt::Key_Delete);
    ASSERT_NE(window->deleteConfirmation(), nullptr);
    EXPECT_EQ(window->deleteConfirmation()->text(), "Delete this snippet?");
    answerConfirmation("Cancel");
    EXPECT_EQ(window->deleteConfirmation(), nullptr);
    EXPECT_EQ(listedNames(), QStringList({"Alpha"}));
    EXPECT_EQ(window->browser().selection().size(), 1u);
    EXPECT_FALSE(window->snippetList()->undoBanner()->isVisible());
}

TEST_F(LibraryCommandsTest, undoBannerDismissForgetsTheDeletion) {
    const Snippet a = add("A very long snippet name that the banner shortens in the middle");
    window = makeWindow();
    library->deleteSnippets({a.id});
    UndoBanner* banner = window->snippetList()->undoBanner();
    ASSERT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->summary()->text(),
              "Deleted “A very long snippet name that the banner shortens in the middle”");
    EXPECT_EQ(banner->dismissButton()->toolTip(), "Dismiss");
    banner->dismissButton()->click();
    EXPECT_FALSE(banner->isVisible());
    EXPECT_FALSE(library->lastDeletion());
}

// ---- The rows' context menu

TEST_F(LibraryCommandsTest, rowMenuOffersItsCommandsInOrder) {
    library->addGroup("Work & Play");
    library->addGroup("Home");
    add("Alpha");
    window = makeWindow();
    std::unique_ptr<QMenu> menu = window->snippetList()->rowMenu(0);
    ASSERT_NE(menu, nullptr);
    EXPECT_THAT(actionTexts(*menu).toVector(),
                ElementsAre("Copy to Clipboard", "Duplicate", "Move to Group", "—", "Delete"));
    QMenu* move = action(*menu, "Move to Group")->menu();
    ASSERT_NE(move, nullptr);
    EXPECT_THAT(actionTexts(*move).toVector(),
                ElementsAre("Work && Play", "Home", "—", "Ungrouped"));
    EXPECT_EQ(window->snippetList()->rowMenu(5), nullptr);
}

TEST_F(LibraryCommandsTest, copyDuplicateAndMoveFromTheRowMenu) {
    const Uuid home = library->addGroup("Home").id;
    add("Alpha", std::nullopt, "alpha text");
    add("Beta");
    Snippet form = add("Form");
    form.text = "Dear {{field:Name}}";
    library->update(form);
    window = makeWindow();

    action(*window->snippetList()->rowMenu(rowNamed("Alpha")), "Copy to Clipboard")->trigger();
    EXPECT_EQ(pasteboard.plainString(), "alpha text");
    action(*window->snippetList()->rowMenu(rowNamed("Form")), "Copy to Clipboard")->trigger();
    EXPECT_TRUE(panel.visible) << "fields are asked for in the picker's form";
    EXPECT_TRUE(picker.copyOnly());

    action(*window->snippetList()->rowMenu(rowNamed("Beta")), "Duplicate")->trigger();
    const int copy = rowNamed("Beta copy");
    ASSERT_GE(copy, 0);
    EXPECT_TRUE(snippetList()->selectionModel()->isRowSelected(copy, {}));

    // With Alpha and Beta selected, moving Alpha moves both; moving Form moves it alone.
    clickRow(snippetList(), rowNamed("Alpha"));
    clickRow(snippetList(), rowNamed("Beta"), Qt::ControlModifier);
    std::unique_ptr<QMenu> menu = window->snippetList()->rowMenu(rowNamed("Alpha"));
    action(*action(*menu, "Move to Group")->menu(), "Home")->trigger();
    EXPECT_EQ(sidebarRows()[3], "Home 2");
    menu = window->snippetList()->rowMenu(rowNamed("Form"));
    action(*action(*menu, "Move to Group")->menu(), "Home")->trigger();
    EXPECT_EQ(sidebarRows()[3], "Home 3");
    EXPECT_EQ(library->snippet(form.id)->groupID, home);
    menu = window->snippetList()->rowMenu(rowNamed("Form"));
    action(*action(*menu, "Move to Group")->menu(), "Ungrouped")->trigger();
    EXPECT_EQ(library->snippet(form.id)->groupID, std::nullopt);
}

TEST_F(LibraryCommandsTest, deleteFromARowOutsideTheSelectionReplacesIt) {
    add("Alpha");
    add("Beta");
    add("Gamma");
    window = makeWindow();
    clickRow(snippetList(), 0);
    clickRow(snippetList(), 1, Qt::ControlModifier);
    action(*window->snippetList()->rowMenu(2), "Delete")->trigger();
    EXPECT_EQ(window->deleteConfirmation()->text(), "Delete this snippet?");
    EXPECT_EQ(snippetList()->selectionModel()->selectedRows().size(), 1);
    EXPECT_TRUE(snippetList()->selectionModel()->isRowSelected(2, {}));
    answerConfirmation("Delete");
    EXPECT_EQ(listedNames(), QStringList({"Alpha", "Beta"}));

    clickRow(snippetList(), 0);
    clickRow(snippetList(), 1, Qt::ControlModifier);
    std::unique_ptr<QMenu> menu = window->snippetList()->rowMenu(1);
    ASSERT_NE(menu, nullptr);
    action(*menu, "Delete")->trigger();
    EXPECT_EQ(window->deleteConfirmation()->text(), "Delete 2 snippets?");
}

// ---- Dragging onto groups

TEST_F(LibraryCommandsTest, rowsDragAsTheirIdsAndGroupRowsTakeThem) {
    const Uuid work = library->addGroup("Work").id;
    const Snippet alpha = add("Alpha");
    const Snippet beta = add("Beta");
    add("Gamma");
    window = makeWindow();
    QAbstractItemModel* rows = snippetList()->model();
    std::unique_ptr<QMimeData> dragged(rows->mimeData({rows->index(1, 0), rows->index(0, 0)}));
    EXPECT_EQ(dragged->text().toStdString(), alpha.id.string() + "\n" + beta.id.string());

    EXPECT_FALSE(dropOnSidebarRow(sidebarRowTitled("All Snippets"), dragged->text()));
    EXPECT_FALSE(dropOnSidebarRow(sidebarRowTitled("Ungrouped"), dragged->text()));
    EXPECT_EQ(library->snippet(alpha.id)->groupID, std::nullopt);

    EXPECT_TRUE(dropOnSidebarRow(sidebarRowTitled("Work"), dragged->text() + "\nnot an id\n"));
    EXPECT_EQ(library->snippet(alpha.id)->groupID, work);
    EXPECT_EQ(library->snippet(beta.id)->groupID, work);
    EXPECT_THAT(sidebarRows().toVector(),
                ElementsAre("All Snippets 3", "Recently Used", "Groups", "Work 2", "Ungrouped 1"));
    EXPECT_FALSE(dropOnSidebarRow(sidebarRowTitled("Work"), "just words"));
}

// ---- Groups

TEST_F(LibraryCommandsTest, newGroupButtonCreatesATrimmedGroupAndShowsIt) {
    add("Loose");
    window = makeWindow();
    window->sidebar()->newGroupButton()->click();
    GroupAlert* alert = window->groupAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->heading()->text(), "New Group");
    EXPECT_EQ(alert->actionButton()->text(), "Create");
    EXPECT_EQ(alert->nameField()->placeholderText(), "Group name");
    EXPECT_EQ(alert->nameField()->text(), "");

    QTest::keyClicks(alert->nameField(), "  Support\t");
    alert->actionButton()->click();
    settle();
    EXPECT_EQ(window->groupAlert(), nullptr);
    EXPECT_FALSE(app.creatingGroup());
    ASSERT_EQ(library->groups().size(), 1u);
    EXPECT_EQ(library->groups()[0].name, "Support");
    const QModelIndexList chosen = sidebarList()->selectionModel()->selectedRows();
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0].data().toString(), "Support");
    EXPECT_TRUE(listedNames().isEmpty());
}

TEST_F(LibraryCommandsTest, groupMenuRenamesAndDeletesTheGroup) {
    const Uuid work = library->addGroup("Work").id;
    const Snippet member = add("Member", work);
    window = makeWindow();
    const int row = sidebarRowTitled("Work");
    EXPECT_EQ(window->sidebar()->groupMenu(sidebarRowTitled("All Snippets")), nullptr);
    std::unique_ptr<QMenu> menu = window->sidebar()->groupMenu(row);
    ASSERT_NE(menu, nullptr);
    EXPECT_THAT(actionTexts(*menu).toVector(), ElementsAre("Rename…", "Delete Group"));

    action(*menu, "Rename…")->trigger();
    GroupAlert* alert = window->groupAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->heading()->text(), "Rename Group");
    EXPECT_EQ(alert->actionButton()->text(), "Rename");
    EXPECT_EQ(alert->nameField()->text(), "Work");
    alert->nameField()->selectAll();
    QTest::keyClicks(alert->nameField(), " Office ");
    alert->actionButton()->click();
    settle();
    EXPECT_EQ(library->groups()[0].name, "Office");

    chooseSidebarRow("Office");
    action(*window->sidebar()->groupMenu(sidebarRowTitled("Office")), "Delete Group")->trigger();
    EXPECT_TRUE(library->groups().empty());
    EXPECT_EQ(window->browser().sidebar(), SidebarItem::all());
    EXPECT_EQ(sidebarList()->selectionModel()->selectedRows().value(0).row(), 0);
    EXPECT_EQ(library->snippet(member.id)->groupID, std::nullopt) << "its snippets stay";

    // Undo brings the group back, shown, with nothing selected.
    window->snippetList()->undoBanner()->undoButton()->click();
    EXPECT_EQ(window->browser().sidebar(), SidebarItem::ofGroup(work));
    EXPECT_EQ(sidebarList()->selectionModel()->selectedRows().value(0).data().toString(), "Office");
    EXPECT_EQ(listedNames(), QStringList({"Member"}));
    EXPECT_TRUE(snippetList()->selectionModel()->selectedRows().isEmpty());
}

// ---- The problem banner

TEST_F(LibraryCommandsTest, problemBannerShowsFilesAndDismisses) {
    window = makeWindow();
    ProblemBanner* banner = window->problemBanner();
    EXPECT_FALSE(banner->isVisible());
    library->setProblem("Quillo couldn't save your library. Your changes are kept while Quillo "
                        "runs; check the disk and the library folder.");
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->message()->text().toStdString(), *library->problem());
    EXPECT_TRUE(banner->message()->wordWrap());

    banner->showFilesButton()->click();
    EXPECT_THAT(fileViewer.revealed, ElementsAre(library->folderURL()));
    EXPECT_TRUE(banner->isVisible()) << "it stays until dismissed";
    banner->dismissButton()->click();
    EXPECT_FALSE(banner->isVisible());
    EXPECT_FALSE(library->problem());
}

} // namespace
} // namespace quillo
