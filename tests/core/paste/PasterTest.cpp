#include "core/paste/Paster.h"

#include "core/platform/KeyEvent.h"
#include "core/text/HTMLText.h"
#include "core/text/IcuRegex.h"
#include "core/util/UnicodeText.h"
#include "fakes/AppFixture.h"

#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quillo::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

const std::string metaPrefix = "<meta charset=\"utf-8\">";

PasteboardItem textItem(const std::string& text) {
    return PasteboardItem{{{PasteboardType::plainText, text}}};
}

/// What a user might have copied in another program: an image beside its description.
std::vector<PasteboardItem> imageAndText() {
    return {PasteboardItem{{{"image/png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
                            {PasteboardType::plainText, "a cat"}}},
            PasteboardItem{{{"text/uri-list", "file:///tmp/cat.png"}}}};
}

class PasterTest : public AppFixture {
protected:
    Snippet rich(const std::string& html) { return add("", html, SnippetFormat::rich); }
    Snippet plain(const std::string& text) { return add("", text); }

    std::int64_t uses(const Snippet& snippet) const {
        return library->snippet(snippet.id)->useCount;
    }

    PasterEnvironment environment() {
        return {pasteboard, keys, workspace, accessibility, sound, scheduler, clock, *library};
    }
};

using PasterRenderTest = PasterTest;

TEST_F(PasterRenderTest, PlainSnippetKeepsItsTextAsWrittenAndRichFillsPlaceholdersAsHtml) {
    const Snippet text = plain("\nDear {{field:Name|Sir}} <b>,\n  {{clipboard}}  \n\n");
    const RenderedSnippet filled = paster.render(text, {{"Name", "Ann & Bo"}}, "pasted");
    EXPECT_EQ(filled.plain, "\nDear Ann & Bo <b>,\n  pasted  \n\n");
    EXPECT_EQ(filled.html, std::nullopt);

    const Snippet snippet = rich("<div>To {{field:Name}}:</div><div>{{clipboard}}</div>");
    const RenderedSnippet rendered = paster.render(snippet, {{"Name", "<Ann>"}}, "a\nb");
    ASSERT_TRUE(rendered.html);
    // Values are text, not markup: escaped in the HTML, as typed in the plain text.
    EXPECT_THAT(*rendered.html, HasSubstr("To &lt;Ann&gt;:"));
    EXPECT_THAT(*rendered.html, HasSubstr("a<br>b"));
    EXPECT_EQ(rendered.plain, "To <Ann>:\na\nb");
}

TEST_F(PasterRenderTest, DatesAreWrittenForTheClocksMoment) {
    clock.set(utc(2031, 7, 4, 12));
    EXPECT_EQ(paster.render(plain("{{date:yyyy}}"), {}, std::nullopt).plain, "2031");
    EXPECT_EQ(paster.render(rich("<div>{{date:yyyy}}</div>"), {}, std::nullopt).plain, "2031");
}

TEST_F(PasterRenderTest, RichSnippetLosesItsFontFamiliesButKeepsOtherStyling) {
    const RenderedSnippet rendered = paster.render(
        rich("<div><span style=\"font-family: Menlo; color: rgb(255, 0, 0)\">Hi</span> "
             "<font face=\"Arial\">there</font></div>"),
        {}, std::nullopt);
    ASSERT_TRUE(rendered.html);
    EXPECT_THAT(*rendered.html, Not(HasSubstr("Menlo")));
    EXPECT_THAT(*rendered.html, Not(HasSubstr("Arial")));
    EXPECT_THAT(*rendered.html, HasSubstr("color"));
    EXPECT_EQ(rendered.plain, "Hi there");
}

TEST_F(PasterRenderTest, RichSnippetDropsTrailingEmptyLinesAndSpaces) {
    const RenderedSnippet rendered = paster.render(
        rich("<div><br></div><div>Thanks,</div><div>Ann {{clipboard}}</div><div><br></div>"
             "<p><br/></p> \n<div><br \t/></div>\t\xC2\xA0"),
        {}, "B.");
    EXPECT_EQ(rendered.html, "<div><br></div><div>Thanks,</div><div>Ann B.</div>");
    // The leading empty line leaves the plain text too; spaces at its ends stay.
    EXPECT_EQ(rendered.plain, "Thanks,\nAnn B.");
    EXPECT_EQ(
        paster.render(rich("<div><br></div><div>&nbsp;a</div><div>b&nbsp;</div>"), {}, "").plain,
        "\xC2\xA0"
        "a\nb\xC2\xA0");
}

TEST_F(PasterRenderTest, TrailingBlanksGoExactlyWhereTheirPatternMatches) {
    static const Regex trailingBlanks("(\\s|<(div|p)><br\\s*/?></(div|p)>)+$");
    // Pieces that belong to a trailing run, and near misses that end it.
    const std::vector<std::string> pieces{" ",
                                          "\n",
                                          "\t",
                                          "\xC2\xA0",
                                          "\xE3\x80\x80",
                                          "\r",
                                          "<div><br></div>",
                                          "<p><br/></p>",
                                          "<div><br \n /></p>",
                                          "<DIV><br></DIV>",
                                          "<div> <br></div>",
                                          "<span><br></span>",
                                          "<div><br>",
                                          "</div>",
                                          "<br>",
                                          "/></div>",
                                          "x",
                                          "&nbsp;",
                                          "\xF0\x9F\x98\x80"};
    std::size_t checked = 0;
    for (const std::string& a : pieces)
        for (const std::string& b : pieces)
            for (const std::string& c : pieces) {
                const std::string text = "<div>a</div>" + a + b + c;
                const std::string expected = toUtf8(trailingBlanks.replaceAll(
                    toUnicode(HTMLText::removingFonts(text)), icu::UnicodeString()));
                const Snippet snippet{.format = SnippetFormat::rich, .text = text};
                ASSERT_EQ(paster.render(snippet, {}, std::nullopt).html, expected) << text;
                ++checked;
            }
    EXPECT_EQ(checked, pieces.size() * pieces.size() * pieces.size());
}

TEST_F(PasterRenderTest, LongBlankRunsAreHandledWhole) {
    std::string emptyLines;
    for (int i = 0; i < 50000; ++i)
        emptyLines += i % 2 ? "<div><br></div>" : "<p><br /></p> ";
    const std::string spaces(200000, ' ');

    EXPECT_EQ(paster.render(rich("<div>a</div>" + emptyLines + spaces), {}, "").html,
              "<div>a</div>");
    // The same runs in the middle are not trailing and stay.
    const std::string middle = "<div>a</div>" + emptyLines + spaces + "<div>b</div>";
    EXPECT_EQ(paster.render(rich(middle + spaces), {}, "").html, middle);
}

using PasterWriteTest = PasterTest;

TEST_F(PasterWriteTest, PlainSnippetWritesOnlyPlainText) {
    pasteboard.userCopiesItems(imageAndText());
    Paster::write({.plain = "hello"}, pasteboard, false);
    EXPECT_THAT(pasteboard.declaredTypes(), ElementsAre(PasteboardType::plainText));
    EXPECT_EQ(pasteboard.items(), std::vector<PasteboardItem>{textItem("hello")});
}

TEST_F(PasterWriteTest, RichSnippetWritesHtmlRtfAndPlainInThatOrderAndTransientMarkersLast) {
    for (const bool transient : {false, true}) {
        SCOPED_TRACE(transient);
        const RenderedSnippet rendered =
            paster.render(rich("<div><b>Bold</b> caf\xC3\xA9</div><div>two</div>"), {}, "");
        Paster::write(rendered, pasteboard, transient);

        std::vector<std::string> expected{PasteboardType::html, PasteboardType::rtf,
                                          PasteboardType::plainText};
        if (transient) {
            expected.emplace_back(PasteboardType::transient);
            expected.emplace_back(PasteboardType::passwordManagerHint);
        }
        EXPECT_EQ(pasteboard.declaredTypes(), expected);
        EXPECT_EQ(pasteboard.types(), expected);
        EXPECT_EQ(pasteboard.data(PasteboardType::html), metaPrefix + *rendered.html);
        EXPECT_THAT(*pasteboard.data(PasteboardType::rtf), StartsWith("{\\rtf1"));
        EXPECT_THAT(*pasteboard.data(PasteboardType::rtf), HasSubstr("Bold"));
        EXPECT_EQ(pasteboard.plainString(), "Bold caf\xC3\xA9\ntwo");
        EXPECT_EQ(pasteboard.data(PasteboardType::passwordManagerHint),
                  transient ? std::optional<std::string>("secret") : std::nullopt);
    }
}

using PasterPasteTest = PasterTest;

TEST_F(PasterPasteTest, PostsCommandVOnceWithTheSnippetOnTheClipboard) {
    std::optional<std::string> textAtTap;
    std::optional<std::string> markerAtTap;
    keys.onTap = [&](const KeyTap&) {
        textAtTap = pasteboard.plainString();
        markerAtTap = pasteboard.data(PasteboardType::transient);
    };
    pasteboard.userCopies("mine");
    paster.paste(rich("<div>Hello</div>"), {}, editor);

    EXPECT_THAT(keys.taps, ElementsAre(KeyTap{KeyCode::v, ModifierFlag::command}));
    EXPECT_EQ(textAtTap, "Hello");
    EXPECT_EQ(markerAtTap, "");
    EXPECT_EQ(sound.beeps, 0);
    EXPECT_EQ(accessibility.prompts, 0);
}

TEST_F(PasterPasteTest, PastesIntoTheSameApplicationEvenFromAnotherOfItsWindows) {
    // Same process, another window: the same application.
    workspace.frontmost = ApplicationHandle{.window = 1, .processID = editor.processID};
    paster.paste(plain("x"), {}, editor);
    EXPECT_EQ(keys.taps.size(), 1u);

    // A window that does not tell its process is compared by window.
    const ApplicationHandle anonymous{.window = 77, .processID = 0};
    workspace.frontmost = anonymous;
    paster.paste(plain("x"), {}, anonymous);
    EXPECT_EQ(keys.taps.size(), 2u);
    EXPECT_EQ(sound.beeps, 0);

    // Without a target only trust matters.
    workspace.frontmost = std::nullopt;
    paster.paste(plain("x"), {}, std::nullopt);
    EXPECT_EQ(keys.taps.size(), 3u);
    EXPECT_EQ(sound.beeps, 0);
    EXPECT_EQ(pasteboard.data(PasteboardType::transient), "");
}

struct CopyOnlyCase {
    const char* name;
    bool trusted;
    std::optional<ApplicationHandle> frontmost;
    std::optional<ApplicationHandle> target;
    bool keysPost = true;
    friend void PrintTo(const CopyOnlyCase& copyOnlyCase, std::ostream* out) {
        *out << copyOnlyCase.name;
    }
};

class PasterCopyOnlyTest : public PasterTest, public ::testing::WithParamInterface<CopyOnlyCase> {};

TEST_P(PasterCopyOnlyTest, LeavesTheSnippetOnTheClipboardAndBeeps) {
    accessibility.trusted = GetParam().trusted;
    workspace.frontmost = GetParam().frontmost;
    keys.posts = GetParam().keysPost;
    pasteboard.userCopiesItems(imageAndText());
    const Snippet snippet = rich("<div>Kept</div>");

    paster.paste(snippet, {}, GetParam().target);

    EXPECT_TRUE(keys.taps.empty());
    EXPECT_EQ(sound.beeps, 1);
    EXPECT_EQ(uses(snippet), 1);
    EXPECT_THAT(pasteboard.declaredTypes(),
                ElementsAre(PasteboardType::html, PasteboardType::rtf, PasteboardType::plainText));
    EXPECT_EQ(pasteboard.data(PasteboardType::transient), std::nullopt);
    scheduler.advance(5s);
    EXPECT_EQ(pasteboard.plainString(), "Kept");
    EXPECT_EQ(pasteboard.data("image/png"), std::nullopt);
    EXPECT_EQ(accessibility.prompts, 0);
}

const ApplicationHandle target{.window = 10, .processID = 100, .windowClass = "xterm"};
const ApplicationHandle other{.window = 20, .processID = 200, .windowClass = "firefox"};

INSTANTIATE_TEST_SUITE_P(
    Paster, PasterCopyOnlyTest,
    ::testing::Values(CopyOnlyCase{"NotTrusted", false, target, target},
                      CopyOnlyCase{"NotTrustedWithoutTarget", false, std::nullopt, std::nullopt},
                      CopyOnlyCase{"OtherApplicationInFront", true, other, target},
                      CopyOnlyCase{"OtherWindowOfUnknownProcess", true,
                                   ApplicationHandle{.window = 11},
                                   ApplicationHandle{.window = 10}},
                      CopyOnlyCase{"NoApplicationInFront", true, std::nullopt, target},
                      CopyOnlyCase{"KeyboardCannotTypeThePasteKeys", true, target, target, false}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

using PasterCopyTest = PasterTest;

TEST_F(PasterCopyTest, LeavesTheSnippetForGoodWithoutBeeping) {
    pasteboard.userCopies("mine");
    const Snippet snippet = plain("copied {{clipboard}}");
    paster.copy(snippet, {});

    EXPECT_EQ(pasteboard.items(), std::vector<PasteboardItem>{textItem("copied mine")});
    EXPECT_TRUE(keys.taps.empty());
    EXPECT_EQ(sound.beeps, 0);
    EXPECT_EQ(uses(snippet), 1);
    scheduler.advance(5s);
    EXPECT_EQ(pasteboard.plainString(), "copied mine");
}

using PasterRestoreTest = PasterTest;

TEST_F(PasterRestoreTest, PutsEveryItemAndTypeBackAfterTheDelayAndAnEmptyClipboardEmpty) {
    paster.paste(plain("x"), {}, editor);
    ASSERT_EQ(pasteboard.plainString(), "x");
    scheduler.advance(800ms);
    EXPECT_TRUE(pasteboard.items().empty());

    pasteboard.userCopiesItems(imageAndText());
    paster.paste(rich("<div>Snippet</div>"), {}, editor);

    scheduler.advance(799ms);
    EXPECT_EQ(pasteboard.plainString(), "Snippet");
    scheduler.advance(1ms);
    EXPECT_EQ(pasteboard.items(), imageAndText());
}

TEST_F(PasterRestoreTest, SecondPasteWithinTheDelaySeesAndRestoresTheUsersClipboard) {
    pasteboard.userCopiesItems(imageAndText());
    paster.paste(rich("<div>first</div>"), {}, editor);
    scheduler.advance(500ms);

    const Snippet second = rich("<div>second: {{clipboard}}</div>");
    EXPECT_EQ(paster.render(second, {}).plain, "second: a cat");
    paster.paste(second, {}, editor);
    EXPECT_EQ(pasteboard.plainString(), "second: a cat");

    // The first paste's restore is superseded; the second one's brings back the original.
    scheduler.advance(300ms);
    EXPECT_EQ(pasteboard.plainString(), "second: a cat");
    scheduler.advance(500ms);
    EXPECT_EQ(pasteboard.items(), imageAndText());

    // Back to idle: the clipboard is read as it is again.
    pasteboard.userCopies("later");
    EXPECT_EQ(paster.render(plain("{{clipboard}}"), {}).plain, "later");
}

TEST_F(PasterRestoreTest, SavedClipboardWithoutTextGivesNoClipboardText) {
    pasteboard.userCopiesItems({PasteboardItem{{{"image/png", "png"}}}, textItem("second")});
    paster.paste(plain("snippet"), {}, editor);
    EXPECT_EQ(paster.render(plain("[{{clipboard}}]"), {}).plain, "[]");
}

TEST_F(PasterRestoreTest, UsersCopyDuringTheWaitIsNeverOverwritten) {
    pasteboard.userCopies("before");
    paster.paste(plain("snippet"), {}, editor);
    scheduler.advance(400ms);
    pasteboard.userCopies("during");
    EXPECT_EQ(paster.render(plain("{{clipboard}}"), {}).plain, "during");
    scheduler.advance(2s);
    EXPECT_EQ(pasteboard.items(), std::vector<PasteboardItem>{textItem("during")});

    // The next paste saves and restores the new clipboard.
    paster.paste(plain("again"), {}, editor);
    scheduler.advance(800ms);
    EXPECT_EQ(pasteboard.items(), std::vector<PasteboardItem>{textItem("during")});

    // A copy between two pastes is what the second one brings back.
    pasteboard.userCopies("before");
    paster.paste(plain("one"), {}, editor);
    scheduler.advance(200ms);
    pasteboard.userCopies("between");
    scheduler.advance(200ms);
    paster.paste(plain("two {{clipboard}}"), {}, editor);
    EXPECT_EQ(pasteboard.plainString(), "two between");
    scheduler.advance(2s);
    EXPECT_EQ(pasteboard.items(), std::vector<PasteboardItem>{textItem("between")});
}

TEST_F(PasterRestoreTest, CopyOrCopyOnlyPasteDuringTheWaitCancelsTheRestore) {
    for (const bool copyOnlyPaste : {false, true}) {
        pasteboard.userCopies("before");
        paster.paste(plain("pasted"), {}, editor);
        scheduler.advance(300ms);
        accessibility.trusted = !copyOnlyPaste;
        if (copyOnlyPaste)
            paster.paste(plain("copied"), {}, editor);
        else
            paster.copy(plain("copied"), {});
        scheduler.advance(2s);
        EXPECT_EQ(pasteboard.plainString(), "copied") << copyOnlyPaste;
        // The copied snippet is the clipboard text now, not the old saved one.
        EXPECT_EQ(paster.render(plain("{{clipboard}}"), {}).plain, "copied") << copyOnlyPaste;
    }
}

TEST_F(PasterRestoreTest, PendingRestoreOfADestroyedPasterDoesNothing) {
    pasteboard.userCopies("before");
    {
        Paster shortLived(environment());
        shortLived.paste(plain("pasted"), {}, editor);
    }
    scheduler.advance(2s);
    EXPECT_EQ(pasteboard.plainString(), "pasted");
}

} // namespace
} // namespace quillo::testing
