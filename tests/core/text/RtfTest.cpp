#include "core/text/Rtf.h"

#include "core/text/HTMLText.h"
#include "fakes/RunProgram.h"
#include "fakes/Styled.h"
#include "fakes/TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace quillo {
namespace {

using testing::colored;
using testing::styled;

TextAttributes with(bool TextAttributes::*flag) {
    TextAttributes attributes;
    attributes.*flag = true;
    return attributes;
}

TextAttributes linked(std::string url) {
    TextAttributes attributes;
    attributes.link = std::move(url);
    return attributes;
}

// The document's body: what follows the font size that opens it.
std::string body(const std::string& rtf) {
    const std::size_t start = rtf.find("\\fs24 ");
    EXPECT_NE(start, std::string::npos);
    EXPECT_TRUE(rtf.ends_with("}"));
    return rtf.substr(start + 6, rtf.size() - start - 7);
}

bool bracesBalance(const std::string& rtf) {
    long depth = 0;
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i; // an escaped brace or backslash
            continue;
        }
        depth += rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
        if (depth < 0 || (depth == 0 && i + 1 < rtf.size()))
            return false;
    }
    return depth == 0;
}

TEST(RtfWriting, TheDocumentFramesTheEscapedTextAndItsBracesBalance) {
    const std::string rtf = rtfFromStyledText(StyledText("x"));
    EXPECT_EQ(rtf, "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Helvetica;}}"
                   "{\\colortbl;}\n\\f0\\fs24 x}");
    EXPECT_EQ(body(rtfFromStyledText(StyledText())), "");
    for (const char* text : {"}}}{{{", "\\", "\\{", "{\\}", "a\nb\n", ""})
        EXPECT_TRUE(bracesBalance(rtfFromStyledText(StyledText(text)))) << text;

    EXPECT_EQ(body(rtfFromStyledText(StyledText("a\\b{c}\td\ne"))), "a\\\\b\\{c\\}\\tab d\\par\ne");
    // Non-ASCII as signed UTF-16 units, with a pair above U+FFFF.
    EXPECT_EQ(body(rtfFromStyledText(StyledText("\u00e9\u201c\U0001f600"))),
              "\\u233\\'3f\\u8220\\'3f\\u-10179\\'3f\\u-8704\\'3f");
    EXPECT_EQ(body(rtfFromStyledText(StyledText("\uffff"))), "\\u-1\\'3f");
    // Control characters go; ill-formed UTF-8 becomes U+FFFD.
    EXPECT_EQ(body(rtfFromStyledText(StyledText(std::string("a\x01\x1f\x7f\0b", 6)))), "ab");
    EXPECT_EQ(body(rtfFromStyledText(StyledText("a\xff\xc3(\xed\xa0\x80z"))),
              "a\\u-3\\'3f\\u-3\\'3f(\\u-3\\'3f\\u-3\\'3f\\u-3\\'3fz");
}

TEST(RtfWriting, StylesSwitchOnAndOff) {
    const StyledText text = styled({{"b", with(&TextAttributes::bold)},
                                    {"i", with(&TextAttributes::italic)},
                                    {"u", with(&TextAttributes::underline)},
                                    {"s", with(&TextAttributes::strikethrough)},
                                    {"p", {}}});
    EXPECT_EQ(body(rtfFromStyledText(text)),
              "\\b b\\b0 \\i i\\i0 \\ul u\\ulnone \\strike s\\strike0 p");
}

TEST(RtfWriting, ColoursGetOneTableEntryEach) {
    const StyledText text = styled(
        {{"r", colored(1, 0, 0)}, {"g", colored(0, 0.5, 0)}, {"p", {}}, {"R", colored(1, 0, 0)}});
    const std::string rtf = rtfFromStyledText(text);
    EXPECT_NE(rtf.find("{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"),
              std::string::npos);
    EXPECT_EQ(body(rtf), "\\cf1 r\\cf2 g\\cf0 p\\cf1 R");
}

TEST(RtfWriting, LinksAreHyperlinkFields) {
    TextAttributes boldLink = linked("https://e.com/?q=\"a\"\\{b}");
    boldLink.bold = true;
    const StyledText text = styled({{"see ", {}},
                                    {"the ", linked("https://e.com/?q=\"a\"\\{b}")},
                                    {"link", boldLink},
                                    {" now", {}}});
    const std::string rtf = rtfFromStyledText(text);
    EXPECT_EQ(body(rtf), "see {\\field{\\*\\fldinst{HYPERLINK "
                         "\"https://e.com/?q=\\\\\"a\\\\\"\\\\\\\\\\{b\\}\"}}{\\fldrslt the \\b "
                         "link}} now");
    EXPECT_TRUE(bracesBalance(rtf));
}

TEST(RtfWithUnrtf, StyledTextSurvivesAReader) {
    if (std::system("command -v unrtf >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "unrtf is not installed (the set-up script installs it)";
    const std::optional<StyledText> text = HTMLText::attributedStringFromHTML(
        "<div>caf\u00e9 \u201cquoted\u201d \U0001f600 tab<span "
        "style=\"white-space:pre\">\t</span>stop</div><div><b>bold</b> <i>italic</i> "
        "<u>under</u> <s>struck</s> <span style=\"color:#ff0000\">red</span> "
        "<a href=\"https://example.com/x\">link text</a></div>");
    ASSERT_TRUE(text.has_value());
    testing::TempFolder folder;
    const std::filesystem::path file = folder / "snippet.rtf";
    testing::writeFile(file, rtfFromStyledText(*text));
    const std::string html = testing::runProgram("/usr/bin/env", {"unrtf", "--html", file}).out;
    for (const char* expected :
         {"caf&eacute; &ldquo;quoted&rdquo; &#55357;&#56832; tab&nbsp;", "stop", "<b>bold</b>",
          "<i>italic</i>", "<u>under</u>", "<s>struck</s>", "<font color=\"#ff0000\">red</font>",
          "https://example.com/x"})
        EXPECT_NE(html.find(expected), std::string::npos) << expected << " not in\n" << html;
    // unrtf 0.21 writes "hyperlink" for a field's text, so the text is checked in ours.
    EXPECT_NE(testing::readFile(file).find("{\\fldrslt link text}"), std::string::npos);
    // Paragraphs: the lines come out as lines.
    const std::string plain = testing::runProgram("/usr/bin/env", {"unrtf", "--text", file}).out;
    EXPECT_NE(plain.find("stop\nbold italic under struck red"), std::string::npos) << plain;
}

} // namespace
} // namespace quillo
