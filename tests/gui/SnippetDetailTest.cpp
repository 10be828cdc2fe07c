#include "gui/editor/SnippetDetail.h"

#include "fakes/AppFixture.h"
#include "gui/editor/EditorDialogs.h"
#include "gui/editor/FormatBar.h"
#include "gui/editor/PlainTextEditor.h"
#include "gui/editor/RichEditorBridge.h"
#include "gui/editor/RichEditorModule.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QWebEngineView>
#include <csignal>
#include <gmock/gmock.h>

namespace quillo {
namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class SnippetDetailTest : public testing::AppFixture {
protected:
    const Snippet& stored(const Uuid& id) { return *library->snippet(id); }

    SnippetDetailEnvironment environment() {
        return {*library, paster, picker, app, clock, log, [this] {
                    return std::make_unique<RichEditorBridge>(richPage, log);
                }};
    }
    /// The rich editor's page; none unless a test needs it.
    std::optional<std::filesystem::path> richPage;

    std::unique_ptr<SnippetDetail> makeDetail(const Uuid& id) {
        auto detail = std::make_unique<SnippetDetail>(environment(), id);
        detail->resize(700, 500);
        detail->show();
        QApplication::setActiveWindow(detail.get());
        QCoreApplication::processEvents();
        return detail;
    }

    // A dialog the editor opened, once it is there.
    template <typename Dialog> Dialog* openDialog(QWidget* parent) {
        Dialog* found = nullptr;
        EXPECT_TRUE(QTest::qWaitFor([&] { return (found = parent->findChild<Dialog*>()); }, 2000));
        return found;
    }
    static QAbstractButton* buttonLabelled(QWidget* dialog, const QString& text) {
        for (auto* button : dialog->findChildren<QAbstractButton*>())
            if (button->text() == text)
                return button;
        return nullptr;
    }
};

TEST_F(SnippetDetailTest, NameGroupAndPlainTextGoToTheLibraryAsTheyAreTyped) {
    const SnippetGroup work = library->addGroup("Work");
    library->addGroup("Home");
    const Snippet note = add("Note", "Line");
    auto detail = makeDetail(note.id);
    EXPECT_EQ(detail->nameField()->text(), "Note");
    EXPECT_EQ(detail->plainEditor()->toPlainText(), "Line");
    EXPECT_FALSE(detail->showsRichEditor());
    EXPECT_TRUE(detail->plainButton()->isChecked());
    EXPECT_TRUE(detail->formatBar()->plainNote()->isVisibleTo(detail.get()));

    QTest::keyClicks(detail->nameField(), "s");
    EXPECT_EQ(stored(note.id).name, "Notes");

    QComboBox* groups = detail->groupPicker();
    ASSERT_EQ(groups->count(), 4); // Ungrouped, a divider, Work, Home
    EXPECT_EQ(groups->itemText(0), "Ungrouped");
    EXPECT_EQ(groups->itemText(2), "Work");
    groups->setCurrentIndex(2);
    emit groups->activated(2);
    EXPECT_EQ(stored(note.id).groupID, work.id);

    detail->plainEditor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(detail->plainEditor(), " two");
    EXPECT_EQ(stored(note.id).text, "Line two");

    // Changes from elsewhere show up; the library's own echo leaves the editor alone.
    Snippet renamed = stored(note.id);
    renamed.name = "Renamed";
    renamed.groupID.reset();
    library->update(renamed);
    EXPECT_EQ(detail->nameField()->text(), "Renamed");
    EXPECT_EQ(groups->currentIndex(), 0);
}

TEST_F(SnippetDetailTest, UndoInThePlainEditorStaysWithItsSnippet) {
    const Snippet first = add("First", "one");
    const Snippet second = add("Second", "two");
    auto detail = makeDetail(first.id);
    detail->plainEditor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(detail->plainEditor(), "!");
    detail->setSnippetID(second.id);
    EXPECT_EQ(detail->nameField()->text(), "Second");
    detail->plainEditor()->undo();
    EXPECT_EQ(detail->plainEditor()->toPlainText(), "two");
    EXPECT_EQ(stored(second.id).text, "two");
    EXPECT_EQ(stored(first.id).text, "one!");
}

TEST_F(SnippetDetailTest, FormatSwitchAsksOnlyWhenFormattingWouldBeLost) {
    const Snippet plain = add("Plain", "Hi <you>\nBye");
    auto detail = makeDetail(plain.id);
    detail->richButton()->click(); // plain to rich never asks
    EXPECT_EQ(stored(plain.id).format, SnippetFormat::rich);
    EXPECT_EQ(stored(plain.id).text, "<div>Hi &lt;you&gt;</div><div>Bye</div>");
    EXPECT_TRUE(detail->showsRichEditor());
    EXPECT_FALSE(detail->findChild<QMessageBox*>());

    // Back to plain: the text has markup, so the user is asked; dismissing keeps it rich.
    detail->plainButton()->click();
    auto* confirm = openDialog<QMessageBox>(detail.get());
    ASSERT_TRUE(confirm);
    EXPECT_EQ(confirm->windowTitle(), "Switch to plain text?");
    EXPECT_EQ(confirm->informativeText(),
              "Bold, links and other formatting will be removed from this snippet.");
    EXPECT_TRUE(detail->richButton()->isChecked()) << "the switch waits for the answer";
    confirm->reject();
    QCoreApplication::processEvents();
    EXPECT_EQ(stored(plain.id).format, SnippetFormat::rich);

    detail->plainButton()->click();
    confirm = openDialog<QMessageBox>(detail.get());
    ASSERT_TRUE(confirm);
    buttonLabelled(confirm, "Remove Formatting")->click();
    EXPECT_EQ(stored(plain.id).format, SnippetFormat::plain);
    EXPECT_EQ(stored(plain.id).text, "Hi <you>\nBye");
    EXPECT_FALSE(detail->showsRichEditor());
    EXPECT_EQ(detail->plainEditor()->toPlainText(), "Hi <you>\nBye");
}

TEST_F(SnippetDetailTest, RichTextReportsGoToTheSnippetTheyNameWhileItIsRich) {
    const Snippet earlier = add("Earlier", "<div>a</div>", SnippetFormat::rich);
    const Snippet shown = add("Shown", "<div>b</div>", SnippetFormat::rich);
    const Snippet plain = add("Plain", "c");
    auto detail = makeDetail(earlier.id);
    detail->setSnippetID(shown.id);
    const auto& report = detail->richEditor().onChange;
    report(earlier.id, "<div>late</div>");
    report(plain.id, "<div>lost</div>");
    report(Uuid::random(), "<div>gone</div>");
    EXPECT_EQ(stored(earlier.id).text, "<div>late</div>");
    EXPECT_EQ(stored(shown.id).text, "<div>b</div>");
    EXPECT_EQ(stored(plain.id).text, "c");
}

// A rich editor that only remembers what it was given to show.
class LoadRecordingEditor final : public RichEditor {
public:
    explicit LoadRecordingEditor(std::vector<std::string>& loads) : loads_(loads) {}
    const FormatState& state() const override { return state_; }
    QWidget* view() override {
        if (!view_)
            view_ = new QWidget; // goes to the window that places it
        return view_;
    }
    void load(const std::string& html, const Uuid&) override { loads_.push_back(html); }
    void exec(const QString&, const std::optional<QString>&) override {}
    void currentLink(std::function<void(const QString&)> answer) override { answer({}); }

private:
    std::vector<std::string>& loads_;
    FormatState state_;
    QWidget* view_ = nullptr;
};

TEST_F(SnippetDetailTest, RichTextChangedElsewhereIsShownAfreshWhatTheEditorReportedIsNot) {
    const Snippet shown = add("Shown", "<div>b</div>", SnippetFormat::rich);
    std::vector<std::string> loads;
    SnippetDetailEnvironment withRecorder = environment();
    withRecorder.richEditor = [&loads] { return std::make_unique<LoadRecordingEditor>(loads); };
    SnippetDetail detail(withRecorder, shown.id);

    detail.richEditor().onChange(shown.id, "<div>typed</div>");
    library->recordUse(shown.id);
    Snippet changedOutside = stored(shown.id); // as when the library file changed outside
    changedOutside.text = "<div>outside</div>";
    library->update(changedOutside);

    EXPECT_EQ(loads, (std::vector<std::string>{"<div>b</div>", "<div>outside</div>"}));
}

TEST_F(SnippetDetailTest, ARichEditorWhosePageDiesComesBackWithTheSavedTextUntilItKeepsDying) {
    const Snippet note = add("Note", "<div>saved</div>", SnippetFormat::rich);
    richPage = editorPageFolder();
    auto detail = makeDetail(note.id);
    auto& bridge = static_cast<RichEditorBridge&>(detail->richEditor());
    QWebEnginePage* page = bridge.webView()->page();
    const auto evaluate = [&](const QString& script) {
        std::optional<QVariant> answer;
        page->runJavaScript(script, [&](const QVariant& value) { answer = value; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 20000));
        return answer.value_or(QVariant()).toString();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return bridge.isReady(); }, 20000));
    QLabel* notice = detail->editorNotice();
    emit page->renderProcessTerminated(QWebEnginePage::NormalTerminationStatus, 0); // shutdown
    EXPECT_FALSE(notice->isVisible());
    ASSERT_GT(page->renderProcessPid(), 0);
    ::kill(static_cast<pid_t>(page->renderProcessPid()), SIGKILL);

    ASSERT_TRUE(QTest::qWaitFor([&] { return notice->isVisible(); }, 20000));
    EXPECT_EQ(notice->text(),
              "The editor stopped unexpectedly and was reloaded with the snippet's saved text.");
    ASSERT_TRUE(QTest::qWaitFor([&] { return bridge.isReady(); }, 20000));
    EXPECT_EQ(evaluate("document.getElementById('editor').innerHTML"), "<div>saved</div>");
    evaluate("getSelection().selectAllChildren(document.getElementById('editor'))");
    detail->formatBar()->button("bold")->click();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return stored(note.id).text == "<div><b>saved</b></div>"; }, 20000));

    // Dying again and again, it is left down, and says so.
    emit page->renderProcessTerminated(QWebEnginePage::CrashedTerminationStatus, SIGSEGV);
    emit page->renderProcessTerminated(QWebEnginePage::CrashedTerminationStatus, SIGSEGV);
    EXPECT_THAT(notice->text().toStdString(), HasSubstr("was not reloaded"));
}

TEST_F(SnippetDetailTest, InsertMenuAndFieldDialogPutPlaceholdersAtTheCaret) {
    const Snippet note = add("Note", "Dear ");
    auto detail = makeDetail(note.id);
    QMenu* menu = detail->formatBar()->insertMenu();
    std::vector<std::string> labels;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            labels.push_back(action->text().toStdString());
    EXPECT_THAT(labels, ElementsAre(StartsWith("Long \u2014 "), _, _, StartsWith("Time \u2014 "),
                                    "Clipboard Contents", "Fill-in Field…"));

    detail->plainEditor()->moveCursor(QTextCursor::End);
    menu->actions()[menu->actions().size() - 2]->trigger();
    EXPECT_EQ(stored(note.id).text, "Dear {{clipboard}}");

    menu->actions().last()->trigger();
    auto* dialog = openDialog<FieldDialog>(detail.get());
    ASSERT_TRUE(dialog);
    dialog->nameField()->setText("Client|Name}");
    dialog->defaultField()->setText("Dear {you}");
    dialog->insertButton()->click();
    EXPECT_EQ(stored(note.id).text, "Dear {{clipboard}}{{field:ClientName|Dear {you}}");
    QCoreApplication::processEvents();

    // A name that cleans away to nothing inserts nothing.
    menu->actions().last()->trigger();
    QCoreApplication::processEvents();
    dialog = openDialog<FieldDialog>(detail.get());
    ASSERT_TRUE(dialog);
    dialog->nameField()->setText(" |} ");
    dialog->insertButton()->click();
    EXPECT_EQ(stored(note.id).text, "Dear {{clipboard}}{{field:ClientName|Dear {you}}");
}

TEST_F(SnippetDetailTest, CopyCopiesOrOpensTheFormAndTheFooterSaysWhatTheSnippetAsks) {
    const Snippet plain = add("Plain", "Thanks");
    const Snippet letter = add("Letter", "Dear {{field:Name}}, order {{field:Order|1}}");
    auto detail = makeDetail(plain.id);
    EXPECT_FALSE(detail->asksForLabel()->isVisibleTo(detail.get()));
    EXPECT_EQ(detail->usageLabel()->text(), "Not used yet");
    EXPECT_EQ(detail->copyButton()->text(), "Copy");

    detail->copyButton()->click();
    EXPECT_EQ(pasteboard.plainString(), "Thanks");
    EXPECT_EQ(detail->copyButton()->text(), "Copied");
    EXPECT_TRUE(QTest::qWaitFor([&] { return detail->copyButton()->text() == "Copy"; }, 5000));

    detail->setSnippetID(letter.id);
    EXPECT_EQ(detail->asksForLabel()->text(), "Asks for: Name, Order");
    detail->copyButton()->click();
    EXPECT_EQ(picker.mode(), PickerModel::Mode::fields);
    EXPECT_TRUE(picker.copyOnly());
    EXPECT_TRUE(panel.visible);
    EXPECT_EQ(detail->copyButton()->text(), "Copy");
}

TEST_F(SnippetDetailTest, MadeHiddenInAWindowTheNewNameTakesTheKeysTypedAsItShows) {
    const Snippet fresh = add("New Snippet", "");
    QWidget window;
    window.resize(700, 500);
    window.show();
    QApplication::setActiveWindow(&window);
    QCoreApplication::processEvents();
    // As the library window's first editor is made: a hidden child, shown after.
    auto* detail = new SnippetDetail(environment(), fresh.id, &window);
    detail->show();
    EXPECT_TRUE(detail->nameField()->hasFocus());
    QTest::keyClicks(QApplication::focusWidget(), "Quick");
    QCoreApplication::processEvents();
    EXPECT_EQ(detail->nameField()->text(), "Quick");
}

TEST_F(SnippetDetailTest, ANewSnippetsNameTakesTheFocusWhenShownFirstOrAskedFor) {
    const Snippet named = add("Named", "x");
    const Snippet fresh = add("New Snippet", "");
    {
        auto detail = makeDetail(named.id);
        detail->plainEditor()->setFocus();
        QCoreApplication::processEvents();
        detail->setSnippetID(fresh.id);
        QCoreApplication::processEvents();
        EXPECT_TRUE(detail->plainEditor()->hasFocus()) << "not for a snippet handed over later";
        app.requestFocusName(); // as the window does after New Snippet
        // Keys typed at once, before the program turns again, go to the name, and what is
        // typed stays the name's.
        EXPECT_TRUE(detail->nameField()->hasFocus());
        EXPECT_EQ(detail->nameField()->selectedText(), "New Snippet");
        QTest::keyClicks(QApplication::focusWidget(), "Sup");
        QCoreApplication::processEvents();
        QTest::keyClicks(QApplication::focusWidget(), "port");
        EXPECT_EQ(detail->nameField()->text(), "Support");
        EXPECT_TRUE(detail->nameField()->hasFocus());

        // A snippet with a name of its own keeps the focus where it is.
        detail->setSnippetID(named.id);
        detail->plainEditor()->setFocus();
        app.requestFocusName();
        QCoreApplication::processEvents();
        EXPECT_TRUE(detail->plainEditor()->hasFocus());
    }
    // The first one was named meanwhile.
    auto detail = makeDetail(add("New Snippet", "").id);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return detail->nameField()->selectedText() == "New Snippet"; }, 2000));
}

} // namespace
} // namespace quillo
