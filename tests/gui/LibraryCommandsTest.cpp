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
};

TEST_F(LibraryCommandsTest, theDeleteKeyAsksAndTheBannerUndoesIntoTheList) {
    add("Alpha");
    add("Beta");
    add("Gamma");
    window = makeWindow();
    clickRow(snippetList(), 0);
    clickRow(snippetList(), 1, Qt::ControlModifier);
    QTest::keyClick(snippetList(), Qt::Key_Delete);
    answerConfirmation("Cancel");
    EXPECT_EQ(listedNames().size(), 3);
    window->deleteButton()->trigger();

    QMessageBox* box = window->deleteConfirmation();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), "Delete 2 snippets?");
    EXPECT_EQ(box->informativeText(), "You can undo this until you delete something else.");
    answerConfirmation("Delete");
    EXPECT_EQ(window->deleteConfirmation(), nullptr);
    EXPECT_EQ(listedNames(), QStringList({"Gamma"}));

    UndoBanner* banner = window->snippetList()->undoBanner();
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->summary()->text(), "Deleted 2 snippets");
    EXPECT_EQ(banner->dismissButton()->toolTip(), "Dismiss");
    banner->undoButton()->click();
    EXPECT_FALSE(banner->isVisible());
    EXPECT_EQ(snippetList()->selectionModel()->selectedRows().size(), 2);
    EXPECT_TRUE(snippetList()->selectionModel()->isRowSelected(0, {}));
}

TEST_F(LibraryCommandsTest, rowMenuCopiesDuplicatesAndMoves) {
    const Uuid home = library->addGroup("Home").id;
    library->addGroup("Work & Play");
    add("Alpha", std::nullopt, "alpha text");
    add("Beta");
    const Snippet form = add("Form");
    window = makeWindow();
    std::unique_ptr<QMenu> menu = window->snippetList()->rowMenu(rowNamed("Alpha"));
    ASSERT_NE(menu, nullptr);
    EXPECT_THAT(actionTexts(*menu).toVector(),
                ElementsAre("Copy to Clipboard", "Duplicate", "Move to Group", "—", "Delete"));
    ASSERT_NE(action(*menu, "Move to Group")->menu(), nullptr);
    EXPECT_THAT(actionTexts(*action(*menu, "Move to Group")->menu()).toVector(),
                ElementsAre("Home", "Work && Play", "—", "Ungrouped"));
    EXPECT_EQ(window->snippetList()->rowMenu(5), nullptr);

    action(*menu, "Copy to Clipboard")->trigger();
    EXPECT_EQ(pasteboard.plainString(), "alpha text");

    action(*window->snippetList()->rowMenu(rowNamed("Beta")), "Duplicate")->trigger();
    const int copy = rowNamed("Beta copy");
    ASSERT_GE(copy, 0);
    EXPECT_TRUE(snippetList()->selectionModel()->isRowSelected(copy, {}));

    // With Alpha and Beta selected, moving Alpha moves both; moving Form moves it alone.
    clickRow(snippetList(), rowNamed("Alpha"));
    clickRow(snippetList(), rowNamed("Beta"), Qt::ControlModifier);
    menu = window->snippetList()->rowMenu(rowNamed("Alpha"));
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

TEST_F(LibraryCommandsTest, theNewGroupButtonAndTheGroupMenuOpenTheGroupAlert) {
    add("Loose");
    window = makeWindow();
    window->sidebar()->newGroupButton()->click();
    GroupAlert* alert = window->groupAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->heading()->text(), "New Group");
    EXPECT_EQ(alert->actionButton()->text(), "Create");
    EXPECT_EQ(alert->nameField()->placeholderText(), "Group name");
    QTest::keyClicks(alert->nameField(), "Work");
    alert->actionButton()->click();
    settle();
    EXPECT_EQ(window->groupAlert(), nullptr);
    ASSERT_EQ(library->groups().size(), 1u);
    EXPECT_EQ(sidebarList()->selectionModel()->selectedRows().value(0).data().toString(), "Work");

    EXPECT_EQ(window->sidebar()->groupMenu(sidebarRowTitled("All Snippets")), nullptr);
    std::unique_ptr<QMenu> menu = window->sidebar()->groupMenu(sidebarRowTitled("Work"));
    ASSERT_NE(menu, nullptr);
    EXPECT_THAT(actionTexts(*menu).toVector(), ElementsAre("Rename…", "Delete Group"));
    action(*menu, "Rename…")->trigger();
    alert = window->groupAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->heading()->text(), "Rename Group");
    EXPECT_EQ(alert->nameField()->text(), "Work");
    alert->nameField()->selectAll();
    QTest::keyClicks(alert->nameField(), "Office");
    alert->actionButton()->click();
    settle();
    EXPECT_EQ(library->groups()[0].name, "Office");

    action(*window->sidebar()->groupMenu(sidebarRowTitled("Office")), "Delete Group")->trigger();
    EXPECT_TRUE(library->groups().empty());
    EXPECT_EQ(sidebarList()->selectionModel()->selectedRows().value(0).row(), 0);
}

TEST_F(LibraryCommandsTest, theProblemBannerShowsFilesAndDismisses) {
    window = makeWindow();
    ProblemBanner* banner = window->problemBanner();
    EXPECT_FALSE(banner->isVisible());
    library->setProblem("Quillo couldn't save your library.");
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->message()->text().toStdString(), *library->problem());
    const QImage shown = window->grab().toImage();
    EXPECT_NE(
        shown.pixelColor(banner->mapTo(window.get(), QPoint(4, 4)) * shown.devicePixelRatio()),
        window->palette().color(QPalette::Window))
        << "tinted, not the window's own colour";

    banner->showFilesButton()->click();
    EXPECT_THAT(fileViewer.revealed, ElementsAre(library->folderURL()));
    banner->dismissButton()->click();
    EXPECT_FALSE(banner->isVisible());
}

} // namespace
} // namespace quillo
