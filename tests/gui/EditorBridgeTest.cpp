#include "fakes/CapturingLog.h"
#include "gui/editor/EditorMessages.h"
#include "gui/editor/PlainTextEditor.h"
#include "gui/editor/RichEditorBridge.h"
#include "gui/editor/RichEditorModule.h"

#include <QJsonDocument>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <gmock/gmock.h>

namespace quillo {
namespace {

using ::testing::ElementsAre;

const Uuid first = *Uuid::parse("0A1B2C3D-4E5F-4061-8273-8495A6B7C8D9");
const Uuid second = *Uuid::parse("11111111-2222-4333-8444-555555555555");

QVariant message(const char* json) {
    return QJsonDocument::fromJson(json).toVariant();
}

TEST(EditorMessages, ReadsTheThreeKindsOfMessageIgnoresMalformedOnesAndPassesArgumentsIntact) {
    using namespace EditorMessages;
    EXPECT_TRUE(std::holds_alternative<Ready>(*parse(message(R"({"type":"ready"})"))));

    const auto change = parse(message(
        R"({"type":"change","payload":{"html":"<div>a</div>","id":"0a1b2c3d-4e5f-4061-8273-8495a6b7c8d9"}})"));
    ASSERT_TRUE(change && std::holds_alternative<Change>(*change));
    EXPECT_EQ(std::get<Change>(*change).id, first);
    EXPECT_EQ(std::get<Change>(*change).html, "<div>a</div>");

    // Missing keys count as false.
    const auto state = parse(message(R"({"type":"state","payload":{"bold":true}})"));
    ASSERT_TRUE(state && std::holds_alternative<State>(*state));
    EXPECT_EQ(std::get<State>(*state).state, FormatState{.bold = true});

    // Every malformed message is ignored.
    for (
        const char* json : {
            R"(["ready"])",
            R"("ready")",
            R"({"kind":"ready"})",
            R"({"type":7})",
            R"({"type":"paste"})",
            R"({"type":"change"})",
            R"({"type":"change","payload":"<div>a</div>"})",
            R"({"type":"change","payload":{"html":5,"id":"0A1B2C3D-4E5F-4061-8273-8495A6B7C8D9"}})",
            R"({"type":"change","payload":{"html":"x"}})",
            R"({"type":"change","payload":{"html":"x","id":"not-a-uuid"}})",
            R"({"type":"state","payload":{"bold":"yes"}})",
            R"({"type":"state","payload":{"bold":true,"colour":1}})",
            R"({"type":"state"})",
        }) {
        SCOPED_TRACE(json);
        EXPECT_FALSE(EditorMessages::parse(message(json)));
    }

    // Arguments reach the page intact.
    EXPECT_EQ(call("exec", {QStringLiteral("bold"), std::nullopt}), R"(exec("bold",null))");
    EXPECT_EQ(
        call("exec", {QStringLiteral("insertText"), QStringLiteral("say \"hi\"\\\n</script>")}),
        R"(exec("insertText","say \"hi\"\\\n<\/script>"))");
    // The literal reads back as the same text.
    const QString text = QStringLiteral("tab\t quote\" back\\ line\r\n é ✓ /");
    const QString literal = EditorMessages::literal(text);
    EXPECT_EQ(QJsonDocument::fromJson(("[" + literal + "]").toUtf8()).toVariant().toList().at(0),
              text);
}

// The bridge with a page that records what it is called with and answers as the editor.
class RichBridge : public ::testing::Test {
protected:
    RichEditorBridge bridge{std::filesystem::path(QUILLO_EDITOR_STUB_FOLDER), log};

    QVariant evaluate(const QString& script) {
        std::optional<QVariant> result;
        bridge.webView()->page()->runJavaScript(script,
                                                [&](const QVariant& value) { result = value; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, deadlineMs))
            << script.toStdString();
        return result.value_or(QVariant());
    }
    QVariantList calls() { return evaluate("calls").toList(); }
    void waitForReady() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return bridge.isReady(); }, deadlineMs));
    }
    QString currentLink() {
        std::optional<QString> answer;
        bridge.currentLink([&](const QString& link) { answer = link; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, deadlineMs));
        return answer.value_or("(none)");
    }

    static constexpr int deadlineMs = 20000;
    testing::CapturingLog log;
};

TEST_F(RichBridge, SendsOnlyTheLatestDocumentWhenThePageBecomesReadyThenEachAtOnce) {
    EXPECT_FALSE(bridge.currentID());
    bridge.load("<div>one</div>", first);
    bridge.load("<div>\"two\"</div>", second);
    EXPECT_EQ(bridge.currentID(), second);
    waitForReady();
    EXPECT_EQ(calls(), QVariantList({QVariantList{"setContent", "<div>\"two\"</div>",
                                                  QString::fromStdString(second.string())}}));

    bridge.load("<div>one</div>", first);
    bridge.exec("color", QStringLiteral("#d70015"));
    bridge.exec("bold");
    const QVariantList all = calls();
    ASSERT_EQ(all.size(), 4);
    EXPECT_EQ(all[1], (QVariantList{"setContent", "<div>one</div>",
                                    QString::fromStdString(first.string())}));
    EXPECT_EQ(all[2], (QVariantList{"exec", "color", "#d70015"}));
    const QVariantList bold = all[3].toList();
    ASSERT_EQ(bold.size(), 3);
    EXPECT_EQ(bold[1], "bold");
    EXPECT_TRUE(bold[0] == "exec" && bold[2].isNull()) << "a missing value is null";
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(RichBridge, GivesThePageItsWordsInTheUsersLanguage) {
    bridge.webView();
    waitForReady();
    EXPECT_EQ(evaluate("JSON.stringify(window.texts)").toString(),
              R"({"label":"Snippet text","language":"en","title":"Snippet"})");
}

TEST_F(RichBridge, PagesMessagesReachTheHostThroughTheChannel) {
    std::vector<std::pair<Uuid, std::string>> changes;
    bridge.onChange = [&](const Uuid& id, const std::string& html) {
        changes.emplace_back(id, html);
    };
    int stateChanges = 0;
    QObject::connect(&bridge, &RichEditorBridge::stateChanged, [&] { ++stateChanges; });
    bridge.load("", second);
    waitForReady();

    // A late report for the document shown before still names that document; malformed
    // ones are dropped.
    evaluate(R"(post({type:"change",payload:{html:"<div>x</div>",id:"nope"}});
                post({type:"change",payload:{html:"<div>late</div>",id:")" +
             QString::fromStdString(first.string()) + R"("}}); 0)");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !changes.empty(); }, deadlineMs));
    EXPECT_THAT(changes, ElementsAre(std::pair{first, std::string("<div>late</div>")}));

    evaluate(R"(post({type:"state",payload:{bold:true}});
                post({type:"state",payload:{bold:true,link:false}});
                post({type:"state",payload:{italic:1}});
                post({type:"state",payload:{ul:true}}); 0)");
    ASSERT_TRUE(QTest::qWaitFor([&] { return bridge.state().ul; }, deadlineMs));
    EXPECT_EQ(stateChanges, 2);
    EXPECT_EQ(bridge.state(), FormatState{.ul = true});
}

TEST_F(RichBridge, ScriptErrorsAreLoggedLinksAreNotFollowedAndCurrentLinkIsAStringOrEmpty) {
    bridge.load("", first);
    waitForReady();
    bridge.exec("throw");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.lines.empty(); }, deadlineMs));
    EXPECT_THAT(log.lines, ElementsAre("Quillo editor JS error: Error: no such command"));

    const QUrl page = bridge.webView()->url();
    evaluate("document.getElementById('away').click(); 0");
    QTest::qWait(300); // a followed link would have started loading by now
    EXPECT_EQ(bridge.webView()->url(), page);
    EXPECT_EQ(evaluate("typeof setContent").toString(), "function");

    evaluate(R"(window.link = "https://quillo.example/a?b=\"c\""; 0)");
    EXPECT_EQ(currentLink(), "https://quillo.example/a?b=\"c\"");
    evaluate("window.link = 42; 0");
    EXPECT_EQ(currentLink(), "");
    evaluate("window.link = undefined; 0");
    EXPECT_EQ(currentLink(), "");
    evaluate("currentLink = function () { throw new Error('broken'); }; 0");
    EXPECT_EQ(currentLink(), "");
}

// Run in a process of its own with a dark palette set before anything starts the web engine
// (the gui_tests_dark entry); skipped in the main run.
TEST(RichEditorPage, FollowsADarkPalette) {
    if (!qEnvironmentVariableIsSet("QUILLO_TEST_DARK_PALETTE"))
        GTEST_SKIP() << "needs a process whose palette is dark from the start";
    testing::CapturingLog log;
    RichEditorBridge bridge(editorPageFolder(), log);
    bridge.load("<div>Hi</div>", first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bridge.isReady(); }, 20000));
    std::optional<QVariant> dark;
    bridge.webView()->page()->runJavaScript("matchMedia('(prefers-color-scheme: dark)').matches",
                                            [&](const QVariant& value) { dark = value; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return dark.has_value(); }, 20000));
    EXPECT_EQ(*dark, true);
}

TEST(PlainEditor, UndoNeverCrossesFromOneSnippetToAnother) {
    PlainTextEditor editor;
    PlainEditorBridge bridge;
    bridge.setTextView(&editor);
    std::vector<QString> reported;
    editor.onTextChanged = [&](const QString& text) { reported.push_back(text); };

    editor.show(first, QStringLiteral("First"));
    EXPECT_TRUE(reported.empty()) << "showing a snippet is no edit";
    editor.moveCursor(QTextCursor::End);
    bridge.insert(QStringLiteral(" {{date}}"));
    EXPECT_EQ(reported.back(), "First {{date}}");
    editor.undo();
    EXPECT_EQ(editor.toPlainText(), "First");

    editor.show(second, QStringLiteral("Second"));
    editor.undo();
    EXPECT_EQ(editor.toPlainText(), "Second");
    EXPECT_FALSE(editor.document()->isUndoAvailable());

    // The same snippet shown again with its own text keeps the history.
    QTest::keyClicks(&editor, "!");
    editor.show(second, editor.toPlainText());
    EXPECT_TRUE(editor.document()->isUndoAvailable());
}

} // namespace
} // namespace quillo
