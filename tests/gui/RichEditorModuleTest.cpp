// The rich editor as the program gets it: from its module, loaded at run time. A test
// program of its own, since the other GUI tests link the editor's classes in, and the same
// classes loaded twice into one process would clash.
#include "gui/editor/RichEditorModule.h"

#include "fakes/CapturingLog.h"

#include <QLabel>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <gmock/gmock.h>

namespace quillo {
namespace {

const Uuid first = *Uuid::parse("0A1B2C3D-4E5F-4061-8273-8495A6B7C8D9");

TEST(RichEditorModule, WithoutTheModuleOrItsPageTheStandInSaysSoAndIgnoresCommands) {
    testing::CapturingLog withoutPage;
    EXPECT_NE(
        qobject_cast<QLabel*>(
            loadRichEditor(std::nullopt, withoutPage, {QUILLO_RICH_EDITOR_MODULE_FOLDER})->view()),
        nullptr);
    EXPECT_THAT(withoutPage.lines, ::testing::ElementsAre("Quillo: the rich text editor's page "
                                                          "is missing from this installation"));

    testing::CapturingLog log;
    const std::unique_ptr<RichEditor> editor =
        loadRichEditor(editorPageFolder(), log, {"/nonexistent/quillo"});
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_THAT(log.lines[0],
                ::testing::StartsWith("Quillo: the rich text editor could not be loaded; "));
    const auto* label = qobject_cast<QLabel*>(editor->view());
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->text().contains("can still be pasted"));
    editor->load("<div>a</div>", first);
    editor->exec("bold", std::nullopt);
    QString link = "unanswered";
    editor->currentLink([&](const QString& answer) { link = answer; });
    EXPECT_EQ(link, "");
    delete label;
}

// What the page answers to a script; null when it doesn't within the time.
QVariant evaluate(QWebEngineView& view, const QString& script) {
    std::optional<QVariant> answer;
    view.page()->runJavaScript(script, [&](const QVariant& value) { answer = value; });
    if (!QTest::qWaitFor([&] { return answer.has_value(); }, 20000))
        return {};
    return *answer;
}

TEST(RichEditorModule, TheBuiltModuleMakesTheWebEditor) {
    testing::CapturingLog log;
    const std::unique_ptr<RichEditor> editor =
        loadRichEditor(editorPageFolder(), log, {QUILLO_RICH_EDITOR_MODULE_FOLDER});
    auto* view = qobject_cast<QWebEngineView*>(editor->view());
    ASSERT_NE(view, nullptr) << editor->view()->metaObject()->className();

    std::optional<std::string> changed;
    editor->onChange = [&](const Uuid&, const std::string& html) { changed = html; };
    editor->load("<div>typed</div>", first);
    const QString shown = "document.getElementById('editor').innerHTML";
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return evaluate(*view, shown).toString() == "<div>typed</div>"; }, 20000));
    evaluate(*view, "getSelection().selectAllChildren(document.getElementById('editor'))");
    editor->exec("bold", std::nullopt);
    editor->exec("link", QStringLiteral("https://example.com/?q=\"a\""));
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor->state().link; }, 20000));
    EXPECT_TRUE(editor->state().bold);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return changed ==
                   "<div><a href=\"https://example.com/?q=&quot;a&quot;\"><b>typed</b></a></div>";
        },
        20000))
        << changed.value_or("(none)");
    std::optional<QString> link;
    editor->currentLink([&](const QString& answer) { link = answer; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return link.has_value(); }, 20000));
    EXPECT_EQ(*link, "https://example.com/?q=\"a\"");
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
    delete view;
}

} // namespace
} // namespace quillo
