#include "gui/picker/PickerView.h"

#include "fakes/AppFixture.h"
#include "gui/picker/FieldsFace.h"
#include "gui/picker/KeyHintFooter.h"
#include "gui/picker/PreviewPane.h"
#include "gui/picker/PreviewText.h"
#include "gui/picker/ResultListModel.h"
#include "gui/picker/SearchFace.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QTest>
#include <gmock/gmock.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::uint16_t escapeKey = 53;

// The picker's view over the model, with every platform piece faked.
class PickerViewTest : public testing::AppFixture {
protected:
    std::unique_ptr<PickerView> makeView() {
        auto view = std::make_unique<PickerView>(picker, *library, clock);
        view->show();
        return view;
    }

    // Lets queued work (focus placement) run.
    static void settle() { QCoreApplication::processEvents(); }

    static QPoint centreOfRow(QListView* list, int row) {
        return list->visualRect(list->model()->index(row, 0)).center();
    }

    // The events a window system delivers for a double click. (QTest::mouseDClick leaves
    // out the first release, which item views need.)
    static void doubleClick(QWidget* widget, QPoint at) {
        const QPointF local(at);
        const QPointF global(widget->mapToGlobal(at));
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                        QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held =
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, local, global, Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(widget, &event);
        }
    }

    // Where Tab goes from `widget`: the next widget in the focus chain that takes Tab.
    static QWidget* tabFrom(QWidget* widget) {
        QWidget* next = widget->nextInFocusChain();
        while (next != widget && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    }

    static QStringList footer(const PickerView& view) { return view.footer()->texts(); }
};

TEST_F(PickerViewTest, searchFaceShowsResultsSelectionAndPreviewAndFollowsTheLibrary) {
    const Snippet alpha = add("Alpha", "First text");
    add("Beta", "Second text");
    picker.showSearch();
    auto view = makeView();
    SearchFace* face = view->searchFace();
    QAbstractItemModel* rows = face->resultList()->model();

    EXPECT_EQ(view->currentFace(), face);
    EXPECT_EQ(face->searchField()->placeholderText(), "Search snippets");
    ASSERT_EQ(rows->rowCount(), 2);
    EXPECT_FALSE(face->emptyNotice()->isVisible());
    EXPECT_EQ(face->preview()->name(), "Alpha");
    EXPECT_EQ(face->preview()->text(), "First text");

    Snippet renamed = alpha;
    renamed.name = "Alpha renamed";
    library->update(renamed);
    EXPECT_EQ(rows->index(0, 0).data().toString(), "Alpha renamed");
    picker.setSelectedIndex(1);
    EXPECT_FALSE(rows->index(0, 0).data(ResultListModel::IsSelectedRole).toBool());
    EXPECT_TRUE(rows->index(1, 0).data(ResultListModel::IsSelectedRole).toBool());
    EXPECT_EQ(face->preview()->name(), "Beta");

    QTest::keyClicks(face->searchField(), "bet");
    EXPECT_EQ(picker.query(), "bet");
    ASSERT_EQ(rows->rowCount(), 1);
    const QModelIndex first = rows->index(0, 0);
    EXPECT_EQ(first.data().toString(), "Beta");
    EXPECT_EQ(first.data(ResultListModel::GroupRole).toString(), "Ungrouped");
    EXPECT_EQ(first.data(ResultListModel::PreviewLineRole).toString(), "Second text");
    EXPECT_TRUE(first.data(ResultListModel::IsSelectedRole).toBool());
    EXPECT_EQ(face->preview()->name(), "Beta");

    picker.setQuery("zebra");
    EXPECT_TRUE(face->emptyNotice()->isVisible());
    EXPECT_THAT(face->emptyNotice()->text().toStdString(), HasSubstr("No Results for “zebra”"));
    EXPECT_TRUE(face->preview()->name().isEmpty());

    // The model's query shows in the field even when the view didn't type it.
    picker.setQuery("alp");
    EXPECT_EQ(face->searchField()->text(), "alp");
    EXPECT_EQ(face->preview()->name(), "Alpha renamed");
    EXPECT_FALSE(face->emptyNotice()->isVisible());
}

TEST_F(PickerViewTest, footerNamesTheKeysALinuxUserPresses) {
    add("Plain", "no fields");
    const Snippet form = add("Form", "Hi {{field:Name}}");
    picker.showSearch();
    auto view = makeView();
    EXPECT_THAT(footer(*view), ElementsAre("Return", "Paste", "Alt+Return", "Copy", "Ctrl+E",
                                           "Edit", "Esc", "Close"));

    picker.showFields(form, false, std::nullopt);
    EXPECT_THAT(footer(*view), ElementsAre("Tab", "Next field", "Return", "Paste", "Esc", "Close"));

    picker.showFields(form, true, std::nullopt);
    EXPECT_THAT(footer(*view), ElementsAre("Tab", "Next field", "Return", "Copy", "Esc", "Close"));
}

TEST_F(PickerViewTest, focusMovesToTheFirstFieldAndBackToTheSearchField) {
    add("Reply", "Dear {{field:Customer}}, order {{field:Order|A-1}}");
    picker.showSearch();
    auto view = makeView();
    settle();
    EXPECT_EQ(view->focusWidget(), view->searchFace()->searchField());

    QTest::keyClicks(view->searchFace()->searchField(), "rep");
    picker.commit(false);
    ASSERT_EQ(view->currentFace(), view->fieldsFace());
    const std::vector<QLineEdit*>& edits = view->fieldsFace()->fieldEdits();
    ASSERT_EQ(edits.size(), 2u);
    // Keys typed at once, before the program turns again, land in the form: the first field,
    // and after Tab the second, which keeps the keyboard when the program catches up.
    EXPECT_EQ(view->focusWidget(), edits[0]);
    QTest::keyClicks(view->focusWidget(), "Ann");
    QTest::keyClick(view->focusWidget(), Qt::Key_Tab);
    settle();
    EXPECT_EQ(edits[0]->text(), "Ann");
    EXPECT_EQ(view->focusWidget(), edits[1]);

    monitor.press(escapeKey);
    settle();
    EXPECT_EQ(view->currentFace(), view->searchFace());
    EXPECT_EQ(view->focusWidget(), view->searchFace()->searchField());
    EXPECT_EQ(view->searchFace()->searchField()->text(), "rep");
}

TEST_F(PickerViewTest, formHasOneFieldEachWithPlaceholderAndTabOrderAndPreviewsTheText) {
    pasteboard.userCopies("secret clipboard");
    const Snippet snippet = add("Order", "Dear {{field:Customer}}, order {{field:Order|A-1}} for "
                                         "{{field:Customer}}. {{field:Note}} {{clipboard}}");
    picker.showFields(snippet, false, std::nullopt);
    auto view = makeView();
    FieldsFace* face = view->fieldsFace();
    EXPECT_EQ(face->title()->text(), "Order");
    PreviewPane* preview = face->preview();
    EXPECT_EQ(preview->name(), "Order");
    EXPECT_EQ(preview->text(), "Dear ‹Customer›, order A-1 for ‹Customer›. ‹Note› ‹clipboard›");

    const std::vector<QLineEdit*>& edits = face->fieldEdits();
    ASSERT_EQ(edits.size(), 3u);
    EXPECT_EQ(edits[0]->placeholderText(), "Customer");
    EXPECT_EQ(edits[1]->placeholderText(), "A-1");
    EXPECT_EQ(edits[2]->placeholderText(), "Note");
    EXPECT_EQ(tabFrom(edits[0]), edits[1]);
    EXPECT_EQ(tabFrom(edits[1]), edits[2]);

    QTest::keyClicks(edits[0], "Ann");
    EXPECT_EQ(preview->text(), "Dear Ann, order A-1 for Ann. ‹Note› ‹clipboard›");
    QTest::keyClicks(edits[1], "B-2");
    EXPECT_EQ(picker.fieldValues().at("Order"), "B-2");
    edits[1]->selectAll();
    QTest::keyClick(edits[1], Qt::Key_Backspace);
    EXPECT_EQ(picker.fieldValues().at("Order"), "") << "an emptied field stores empty text";

    // Values set by the model show in the form.
    picker.setFieldValue("Note", "urgent");
    EXPECT_EQ(edits[2]->text(), "urgent");

    // The preview of a rich snippet is plain text, with the values typed.
    const Snippet rich = add("Rich", "<p>Hello <b>{{field:Who}}</b></p><p>{{field:Where|home}}</p>",
                             SnippetFormat::rich);
    EXPECT_EQ(previewText(rich, {}, clock.now()), "Hello ‹Who›\nhome");
    EXPECT_EQ(previewText(rich, {{"Who", "Bo & Co"}, {"Where", ""}}, clock.now()),
              "Hello Bo & Co\nhome");
    EXPECT_EQ(previewLine(add("Lines", "\n  \nsecond line\nthird")), "second line");
}

TEST_F(PickerViewTest, singleClickSelectsAndDoubleClickCommits) {
    add("One", "first");
    add("Two", "second");
    add("Three", "third");
    pasteboard.userCopies("before");
    picker.showSearch();
    auto view = makeView();
    QListView* list = view->searchFace()->resultList();
    ASSERT_EQ(list->model()->rowCount(), 3);

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centreOfRow(list, 1));
    EXPECT_EQ(picker.selectedIndex(), 1);
    EXPECT_TRUE(panel.visible) << "a single click only selects";

    // No snippet used yet, so the rows are in name order: One, Three, Two.
    ASSERT_EQ(list->model()->index(2, 0).data().toString(), "Two");
    doubleClick(list->viewport(), centreOfRow(list, 2));
    EXPECT_EQ(picker.selectedIndex(), 2);
    EXPECT_FALSE(panel.visible);
    scheduler.advance(80ms);
    ASSERT_EQ(keys.taps.size(), 1u) << "pasted, as Return would";
    EXPECT_EQ(pasteboard.plainString(), "second");
}

TEST_F(PickerViewTest, selectedRowIsScrolledIntoView) {
    // More than the list is handed at first: the selection brings its row along.
    for (int i = 0; i < 260; ++i)
        add("Snippet " + std::to_string(100 + i), "text");
    picker.showSearch();
    auto view = makeView();
    QListView* list = view->searchFace()->resultList();
    const auto rowVisible = [list](int row) {
        return list->viewport()->rect().intersects(list->visualRect(list->model()->index(row, 0)));
    };
    ASSERT_FALSE(rowVisible(255));
    picker.setSelectedIndex(255);
    EXPECT_TRUE(rowVisible(255));
    picker.setSelectedIndex(0);
    EXPECT_TRUE(rowVisible(0));

    // An edit elsewhere in the library leaves the list where the user scrolled it.
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    Snippet edited = *library->snippet(picker.results()[30]->id);
    edited.text = "new text";
    library->update(edited);
    EXPECT_FALSE(rowVisible(0));
}

// The selected row is painted in the accent colour, whichever the palette.
TEST_F(PickerViewTest, theSelectedRowIsPaintedInTheAccentColour) {
    add("Address", "12 Long Lane");
    add("Sign-off", "Kind regards");
    const QPalette original = QApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::Base, QColor(30, 30, 34));
    dark.setColor(QPalette::Highlight, QColor(10, 132, 255));
    for (const QPalette& palette : {original, dark}) {
        QApplication::setPalette(palette);
        picker.showSearch();
        picker.setSelectedIndex(1);
        auto view = makeView();
        settle();
        QListView* list = view->searchFace()->resultList();
        const QPoint inRow =
            list->mapTo(view.get(), list->visualRect(list->model()->index(1, 0)).topLeft()) +
            QPoint(4, 10);
        EXPECT_EQ(view->grab().toImage().pixelColor(inRow), palette.color(QPalette::Highlight));
        picker.close();
    }
    QApplication::setPalette(original);
}

} // namespace
} // namespace quillo
