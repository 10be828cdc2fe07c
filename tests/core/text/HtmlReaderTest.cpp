#include "core/text/HtmlReader.h"

#include "core/text/CssColor.h"
#include "core/text/HTMLText.h"
#include "core/text/HtmlNesting.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <gumbo.h>
#include <random>
#include <ranges>
#include <string>

namespace quillo {
namespace {

StyledText read(std::string_view html) {
    std::optional<StyledText> text = HTMLText::attributedStringFromHTML(html);
    EXPECT_TRUE(text.has_value()) << html;
    return text.value_or(StyledText{});
}

std::string plain(std::string_view html) {
    return read(html).text();
}

// The attributes of the run that holds the first occurrence of `part`.
TextAttributes attributesOf(const StyledText& text, std::string_view part) {
    const std::size_t at = text.text().find(part);
    EXPECT_NE(at, std::string::npos) << part << " not in " << text.text();
    for (const StyledText::Run& run : text.runs())
        if (at >= run.start && at + part.size() <= run.start + run.length)
            return run.attributes;
    ADD_FAILURE() << part << " spans several runs";
    return {};
}

TextAttributes attributesOf(std::string_view html, std::string_view part) {
    return attributesOf(read(html), part);
}

std::string hex(const std::optional<RgbColor>& color) {
    if (!color)
        return "none";
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x",
                  static_cast<int>(std::lround(color->red * 255)),
                  static_cast<int>(std::lround(color->green * 255)),
                  static_cast<int>(std::lround(color->blue * 255)));
    return text;
}

// Compares long texts without printing them whole.
::testing::AssertionResult sameText(const std::string& actual, const std::string& expected) {
    if (actual == expected)
        return ::testing::AssertionSuccess();
    const auto differ =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    return ::testing::AssertionFailure()
           << "lengths " << actual.size() << " and " << expected.size() << ", first difference at "
           << (differ.first - actual.begin());
}
#define EXPECT_SAME_TEXT(actual, expected) EXPECT_TRUE(sameText((actual), (expected)))

std::string repeated(std::string_view part, std::size_t count) {
    std::string result;
    result.reserve(part.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        result += part;
    return result;
}

TEST(HtmlReaderLines, BlocksBreakLinesOnceAndNeverAtTheStartButLineBreaksAlways) {
    EXPECT_EQ(plain("<div>a</div><div>b</div>"), "a\nb\n");
    EXPECT_EQ(plain("<div><div><p>a</p></div></div><div><div>b</div></div>"), "a\nb\n");
    EXPECT_EQ(plain("a<div>b</div>c"), "a\nb\nc");
    EXPECT_EQ(plain("<h1>Title</h1><blockquote>quote</blockquote><hr><p>end</p>"),
              "Title\nquote\nend\n");
    EXPECT_EQ(plain("<div></div><p></p><div>a</div>"), "a\n");
    EXPECT_EQ(plain("a<br>b"), "a\nb");
    EXPECT_EQ(plain("a<br><br>b"), "a\n\nb");
    EXPECT_EQ(plain("<div>a</div><div><br></div><div>b</div>"), "a\n\nb\n");
    EXPECT_EQ(plain("<div>a<br></div><div>b</div>"), "a\nb\n");
    EXPECT_EQ(plain("<br>"), "\n");
}

TEST(HtmlReaderLines, WhiteSpaceCollapsesOutsidePreformattedText) {
    EXPECT_EQ(plain("  a \t\r\n b  "), "a b");
    EXPECT_EQ(plain("<div>  a  </div>  <div>  b  </div>"), "a\nb\n");
    EXPECT_EQ(plain("a <br> b"), "a\nb");
    EXPECT_EQ(plain("<b>a </b> <i> b</i>"), "a b");
    EXPECT_EQ(plain("<pre>\n  x\n\ty  </pre>z"), "  x\n\ty  \nz");
    EXPECT_EQ(plain("<textarea>a  b</textarea>"), "a  b");
    EXPECT_EQ(plain("<span style=\"white-space:pre-wrap\">a   b</span>"), "a   b");
    EXPECT_EQ(plain("<div style=\"white-space:pre-line\">a   b\nc</div>"), "a b\nc\n");
    // A no-break space is text, not white space.
    EXPECT_EQ(plain("a&nbsp; b"), "a\u00a0 b");
}

TEST(HtmlReaderLines, ListItemsGetMarkers) {
    EXPECT_EQ(plain("<ul><li>a</li><li>b</li></ul>"), "\u2022 a\n\u2022 b\n");
    EXPECT_EQ(plain("<ol><li>a<li>b</ol>"), "1. a\n2. b\n");
    EXPECT_EQ(plain("<ol start=\"7\"><li>a<li value=\"20\">b<li>c</ol>"), "7. a\n20. b\n21. c\n");
    EXPECT_EQ(plain("<ol start=\"-1\"><li>a<li>b</ol>"), "-1. a\n0. b\n");
    EXPECT_EQ(plain("<ul><li>  <p>a</p>  </li></ul>"), "\u2022 a\n");
    EXPECT_EQ(plain("<ul><li></li><li>b</li></ul>"), "\u2022 \n\u2022 b\n");
    // Nested lists are indented by a tab per level.
    EXPECT_EQ(plain("<ul><li>a<ol><li>b</li></ol></li><li>c</li></ul>"),
              "\u2022 a\n\t1. b\n\u2022 c\n");
    EXPECT_EQ(plain("<p>before</p><ul><li>x</li></ul><p>after</p>"), "before\n\u2022 x\nafter\n");
}

TEST(HtmlReaderLines, TableCellsAreSeparatedByTabs) {
    EXPECT_EQ(plain("<table><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table>"),
              "a\tb\nc\td\n");
    EXPECT_EQ(plain("<table><tr><td></td><td><p>b</p></td></tr><tr><td>c</td></tr></table>x"),
              "\tb\nc\nx");
    const StyledText header = read("<table><tr><th>Name</th><td>Ann</td></tr></table>");
    EXPECT_TRUE(attributesOf(header, "Name").bold);
    EXPECT_FALSE(attributesOf(header, "Ann").bold);
}

TEST(HtmlReaderLines, EntitiesAndReferencesAreDecodedAndInvisibleContentIsSkipped) {
    EXPECT_EQ(plain("&lt;a&gt; &amp; &quot;&#39;&#x41;&euro;&hellip;"), "<a> & \"'A\u20ac\u2026");
    // The parser hands on too large a number's low bits as a lone byte, which is no UTF-8.
    EXPECT_EQ(plain("&#Xb99ee99e"), "\uFFFD");
    EXPECT_EQ(plain("a&#x1F600;b&#99999999999;c"), "a\U0001F600b\uFFFDc");
    EXPECT_EQ(plain("<head><title>t</title><style>p{}</style></head>a<script>var x = "
                    "'<b>';</script><!-- note -->b<template>c</template><noscript>d</noscript>"
                    "<img src=\"x.png\" alt=\"e\"><div style=\"display: none\">f</div>"),
              "ab");
}

TEST(HtmlReaderStyling, TagsStyleTheirText) {
    const StyledText text =
        read("<b>1</b><strong>2</strong><h2>3</h2><i>4</i><em>5</em><cite>6</cite><var>7</var>"
             "<dfn>8</dfn><u>9</u><ins>A</ins><s>B</s><strike>C</strike><del>D</del>plain");
    for (const char* bold : {"1", "2", "3"})
        EXPECT_TRUE(attributesOf(text, bold).bold) << bold;
    for (const char* italic : {"4", "5", "6", "7", "8"})
        EXPECT_TRUE(attributesOf(text, italic).italic) << italic;
    for (const char* underline : {"9", "A"})
        EXPECT_TRUE(attributesOf(text, underline).underline) << underline;
    for (const char* struck : {"B", "C", "D"})
        EXPECT_TRUE(attributesOf(text, struck).strikethrough) << struck;
    EXPECT_EQ(attributesOf(text, "plain"), TextAttributes{});
}

TEST(HtmlReaderStyling, FontWeightAndStyleDeclarations) {
    // Google Docs wraps its whole clipboard in a b that it declares not bold.
    const StyledText docs =
        read("<b style=\"font-weight:normal;\" id=\"docs-internal-guid-1\"><span "
             "style=\"font-weight:700\">bold</span><span style=\"font-weight:400\">plain</span>"
             "</b>");
    EXPECT_TRUE(attributesOf(docs, "bold").bold);
    EXPECT_FALSE(attributesOf(docs, "plain").bold);
    EXPECT_TRUE(attributesOf("<span style=\"FONT-WEIGHT: Bold !important\">x</span>", "x").bold);
    EXPECT_TRUE(attributesOf("<span style=\"font-weight:600\">x</span>", "x").bold);
    EXPECT_FALSE(attributesOf("<span style=\"font-weight:599\">x</span>", "x").bold);
    EXPECT_TRUE(attributesOf("<span style=\"font-weight:bolder\">x</span>", "x").bold);
    EXPECT_FALSE(attributesOf("<h1 style=\"font-weight:lighter\">x</h1>", "x").bold);
    EXPECT_TRUE(attributesOf("<span style=\"font-style:italic\">x</span>", "x").italic);
    EXPECT_TRUE(attributesOf("<span style=\"font-style:oblique 10deg\">x</span>", "x").italic);
    EXPECT_FALSE(attributesOf("<i><span style=\"font-style:normal\">x</span></i>", "x").italic);
    // A declaration that is not understood changes nothing.
    EXPECT_TRUE(attributesOf("<b><span style=\"font-weight:heavy;color\">x</span></b>", "x").bold);
}

TEST(HtmlReaderStyling, DecorationsPropagateAndAreNeverRemovedByDescendantsAndLinksAreTrimmed) {
    EXPECT_TRUE(
        attributesOf("<u><span style=\"text-decoration:none\">x</span></u>", "x").underline);
    EXPECT_FALSE(attributesOf("<u style=\"text-decoration:none\">x</u>", "x").underline);
    const TextAttributes both =
        attributesOf("<span style=\"text-decoration: underline line-through red\">x</span>", "x");
    EXPECT_TRUE(both.underline);
    EXPECT_TRUE(both.strikethrough);
    EXPECT_TRUE(attributesOf("<s><span style=\"text-decoration-line:underline\">x</span></s>", "x")
                    .strikethrough);
    const StyledText text =
        read("<a href=\" https://example.com/?a=1&amp;b=2\n\">go <b>now</b></a> <a>anchor</a>");
    EXPECT_EQ(attributesOf(text, "go").link, "https://example.com/?a=1&b=2");
    EXPECT_EQ(attributesOf(text, "now").link, "https://example.com/?a=1&b=2");
    EXPECT_TRUE(attributesOf(text, "now").bold);
    EXPECT_FALSE(attributesOf(text, "anchor").link);
    EXPECT_FALSE(attributesOf("<a href=\"  \">x</a>", "x").link);
}

TEST(HtmlReaderStyling, ColoursFromStylesAndFontElements) {
    const auto colorOf = [](std::string_view html) { return hex(attributesOf(html, "x").color); };
    EXPECT_EQ(colorOf("<span style=\"color:#f00\">x</span>"), "#ff0000");
    EXPECT_EQ(colorOf("<span style=\"color:#f008\">x</span>"), "#ff0000");
    EXPECT_EQ(colorOf("<span style=\"color:#1F497D\">x</span>"), "#1f497d");
    EXPECT_EQ(colorOf("<span style=\"color:#1f497d80\">x</span>"), "#1f497d");
    EXPECT_EQ(colorOf("<span style=\"color: rgb(0, 128, 255)\">x</span>"), "#0080ff");
    EXPECT_EQ(colorOf("<span style=\"color:rgba(100%,50%,0%,0.5)\">x</span>"), "#ff8000");
    EXPECT_EQ(colorOf("<span style=\"color:rgb(300 -5 12 / 40%)\">x</span>"), "#ff000c");
    EXPECT_EQ(colorOf("<span style=\"color:RebeccaPurple\">x</span>"), "#663399");
    EXPECT_EQ(colorOf("<font color=\"red\"><span style=\"color:blue\">x</span></font>"), "#0000ff");
    EXPECT_EQ(colorOf("<font color=\"ff8000\">x</font>"), "#ff8000");
    EXPECT_EQ(colorOf("<font color=\"red\" style=\"color:green\">x</font>"), "#008000");
    EXPECT_EQ(colorOf("<span style=\"color:red\"><b>x</b></span>"), "#ff0000");
    // Values that are no colour leave the inherited one.
    EXPECT_EQ(colorOf("<span style=\"color:red\"><span style=\"color:#12\">x</span></span>"),
              "#ff0000");
    EXPECT_EQ(colorOf("<span style=\"color:rgb(1,2)\">x</span>"), "none");
    EXPECT_EQ(colorOf("<span style=\"color:inherit\">x</span>"), "none");
    EXPECT_EQ(colorOf("<p>x</p>"), "none");
}

TEST(HtmlReaderStyling, RunsAreMaximalAndLineFeedsAndMarkersCarryNoStyling) {
    const StyledText text = read("<ul><li><b>a</b></li></ul><div><i>b<br>c</i></div>");
    for (const StyledText::Run& run : text.runs()) {
        const std::string_view part = std::string_view(text.text()).substr(run.start, run.length);
        if (part.find_first_of("\n\u2022") != std::string_view::npos) {
            EXPECT_EQ(run.attributes, TextAttributes{}) << part;
        }
    }
    const StyledText runs = read("<b>a</b><b>b</b><strong><span>c</span></strong> <u>d</u>");
    ASSERT_EQ(runs.runs().size(), 3u);
    EXPECT_EQ(runs.runs()[0].length, 3u); // "abc"
    EXPECT_EQ(runs.runs()[1].length, 1u); // " "
}

// Google Docs' wrapper is in the font weight test.
TEST(HtmlReaderStyling, PastedOutlookMarkup) {
    const StyledText outlook =
        read("<p class=MsoNormal><span style='font-size:11.0pt;font-family:\"Calibri\","
             "sans-serif;color:#1F497D'>Hello;<o:p></o:p></span></p>\n"
             "<p class=MsoNormal><o:p>&nbsp;</o:p></p>\n"
             "<p class=MsoNormal><b><span style='color:windowtext'>Ann</span></b><o:p></o:p></p>");
    EXPECT_EQ(outlook.text(), "Hello;\n\u00a0\nAnn\n");
    EXPECT_EQ(hex(attributesOf(outlook, "Hello").color), "#1f497d");
    EXPECT_TRUE(attributesOf(outlook, "Ann").bold);
}

TEST(HtmlReaderCssColor, NamedColoursCssFormsAndLegacyValues) {
    EXPECT_EQ(hex(CssColor::named("AliceBlue")), "#f0f8ff");
    EXPECT_EQ(hex(CssColor::named("yellowgreen")), "#9acd32");
    EXPECT_EQ(hex(CssColor::named("grey")), hex(CssColor::named("gray")));
    EXPECT_EQ(hex(CssColor::named("nocolour")), "none");
    EXPECT_EQ(hex(CssColor::parse("  #ABC ")), "#aabbcc");
    for (const char* invalid : {"#ab", "#abcde", "#abcdefg", "#ggg", "rgb(1,2,3,4,5)", "rgb(a,b,c)",
                                "transparent", "currentcolor", ""})
        EXPECT_EQ(hex(CssColor::parse(invalid)), "none") << invalid;
    // Legacy colour values follow the HTML rules.
    EXPECT_EQ(hex(CssColor::parseLegacy("chucknorris")), "#c00000");
    EXPECT_EQ(hex(CssColor::parseLegacy("#0f0")), "#00ff00");
    EXPECT_EQ(hex(CssColor::parseLegacy("1F497D")), "#1f497d");
    EXPECT_EQ(hex(CssColor::parseLegacy("abc")), "#0a0b0c");
    EXPECT_EQ(hex(CssColor::parseLegacy("#123456789")), "#124578");
    EXPECT_EQ(hex(CssColor::parseLegacy("transparent")), "none");
    EXPECT_EQ(hex(CssColor::parseLegacy("")), "none");
}

// None of these is timed: a quadratic parse would run into the test's time-out.

TEST(HtmlReaderHostile, DeepNestingKeepsAllText) {
    const std::size_t depth = 100000;
    EXPECT_SAME_TEXT(plain(repeated("<div>", depth) + "deep" + repeated("</div>", depth) + "after"),
                     "deep\nafter");
    const StyledText bold = read(repeated("<b>", depth) + "deep" + repeated("</b>", depth) + "x");
    EXPECT_EQ(bold.text(), "deepx");
    EXPECT_TRUE(attributesOf(bold, "deep").bold);
    EXPECT_FALSE(attributesOf(bold, "x").bold);
    // Text at every level stays, in order.
    const std::string levels = plain(repeated("<span><div>x", depth));
    EXPECT_EQ(std::count(levels.begin(), levels.end(), 'x'), static_cast<long>(depth));
}

TEST(HtmlReaderHostile, UnclosedListItemsAndParagraphsKeepTheirLines) {
    const std::size_t count = 100000;
    EXPECT_SAME_TEXT(plain("<ul>" + repeated("<li>item", count)), repeated("\u2022 item\n", count));
    EXPECT_SAME_TEXT(plain(repeated("<p><span>p", count)), repeated("p\n", count));
    EXPECT_SAME_TEXT(plain("<table>" + repeated("<tr><td>a<td>b", count)),
                     repeated("a\tb\n", count));
}

TEST(HtmlReaderHostile, MisnestedFormattingStaysCheap) {
    // Each unclosed b is reopened in every later paragraph by the parser.
    const std::size_t count = 20000;
    std::string html;
    for (std::size_t i = 0; i < count; ++i)
        html += "<p><b id=\"" + std::to_string(i) + "\">x</p>";
    EXPECT_SAME_TEXT(plain(html), repeated("x\n", count));
    EXPECT_SAME_TEXT(plain(repeated("<a href=\"u\"><p>x", count)), repeated("x\n", count));
    // Here the parser nests every div in the one before: past the depth limit the divs
    // are dropped and their lines run together, but no text is lost.
    const std::string nested = plain(repeated("<b><div>x</b>", count));
    EXPECT_EQ(std::count(nested.begin(), nested.end(), 'x'), static_cast<long>(count));
    EXPECT_TRUE(nested.starts_with(repeated("x\n", 100)));
}

TEST(HtmlReaderHostile, HugeAttributesAndAttributeLists) {
    const std::string huge(1 << 20, 'v');
    EXPECT_EQ(plain("<div title=\"" + huge + "\">a</div>b"), "a\nb");
    const StyledText link = read("<a href=\"https://x/" + huge + "\">a<b>b</b>c</a>");
    EXPECT_EQ(link.text(), "abc");
    EXPECT_EQ(attributesOf(link, "b").link->size(), huge.size() + 10);
    EXPECT_SAME_TEXT(
        plain("<p><b style=\"color:" + huge + "\">bold</p>" + repeated("<p>x</p>", 2000)),
        "bold\n" + repeated("x\n", 2000));
    std::string many = "<span";
    for (int i = 0; i < 100000; ++i)
        many += " a" + std::to_string(i);
    EXPECT_EQ(plain(many + " style=\"color:red\">x</span>"), "x");
}

TEST(HtmlReaderHostile, BrokenMarkupIsTextAndRawTextAndForeignContentAreFollowed) {
    // A stray </p> makes an empty paragraph, which takes no line.
    EXPECT_EQ(plain("</b></div>a</p><b>b<i>c</b>d</i>"), "a\nbcd");
    EXPECT_EQ(plain("a < b > c <3 <"), "a < b > c <3 <");
    EXPECT_EQ(plain("x<div title=\"unclosed"), "x");
    EXPECT_EQ(plain("x<!-- unclosed comment"), "x");
    EXPECT_EQ(plain("&amp &lt;b&gt &#xZZ; &#99999999; &#0; &unknown; &"),
              "& <b> &#xZZ; \ufffd \ufffd &unknown; &");
    // Controls and noncharacters that references name read as the same markup written out.
    EXPECT_EQ(plain("a&#1;b&#127;c&#x81;d&#xFDD0;e&#x85;"), "abcd\ufffde\u2026");
    // Ill-formed UTF-8 reads as replacement characters.
    const std::string text = plain("a\xff\xfe b\xc3 \xe2\x82 c");
    EXPECT_EQ(text, "a\ufffd\ufffd b\ufffd \ufffd c");
    // The tags inside raw text are no elements; those inside svg are.
    const std::size_t count = 2000;
    EXPECT_SAME_TEXT(plain("<textarea>" + repeated("<div>", count) + "</textarea>x"),
                     repeated("<div>", count) + "x");
    EXPECT_EQ(plain(repeated("<svg><desc>", count) + "y"), "y");
    EXPECT_EQ(plain(repeated("<div><svg><foreignObject></div>", count) + "z"), "z\n");
}

TEST(HtmlReaderLimit, DropsOnlyTagsBeyondTheLimits) {
    const std::string deep = repeated("<div>", 600) + "x" + repeated("</div>", 600);
    EXPECT_EQ(HtmlReader::limitNesting(deep), repeated("<div>", HtmlReader::maxDepth) + "x" +
                                                  repeated("</div>", HtmlReader::maxDepth));
    const std::string formatting = repeated("<i>", 40) + "x" + repeated("</i>", 40);
    EXPECT_EQ(HtmlReader::limitNesting(formatting),
              repeated("<i>", HtmlReader::maxActiveFormatting) + "x" +
                  repeated("</i>", HtmlReader::maxActiveFormatting));
    EXPECT_EQ(
        HtmlReader::limitNesting("<p><b>x</b>, <a href=y>z</a></p>", HtmlReader::Formatting::drop),
        "<p>x, z</p>");
    std::string tag = "<b";
    for (std::size_t i = 0; i < 20; ++i)
        tag += " a" + std::to_string(i);
    std::string kept = "<b";
    for (std::size_t i = 0; i < HtmlReader::maxFormattingAttributes; ++i)
        kept += " a" + std::to_string(i);
    EXPECT_EQ(HtmlReader::limitNesting(tag + ">x</b>"), kept + ">x</b>");
}

// How deep the parser's own tree nests elements for that markup.
std::size_t parsedDepth(const std::string& html) {
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
    std::size_t deepest = 0;
    std::vector<std::pair<const GumboNode*, std::size_t>> pending{{output->root, 1}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, depth);
        const GumboVector& children = node->v.element.children;
        for (unsigned i = 0; i < children.length; ++i) {
            const auto* child = static_cast<const GumboNode*>(children.data[i]);
            if (child->type == GUMBO_NODE_ELEMENT || child->type == GUMBO_NODE_TEMPLATE)
                pending.emplace_back(child, depth + 1);
        }
    }
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return deepest;
}

// Whatever the markup, what the limit lets through never nests deeper in the parser's tree
// than the limit (html and body above it).
TEST(HtmlReaderLimit, theParsersTreeStaysWithinTheDepthOnGeneratedMarkup) {
    std::vector<std::string> pieces;
    for (const auto piece : std::views::split(
             std::string_view("<div>|<p>|<li>|<ul>|<table>|<tr>|<td>|<b>|<i>|<a href=x>|<font>|"
                              "<svg>|<desc>|<foreignObject>|</div>|</p>|</b>|<span>|<blockquote>|"
                              "x|</i>|<select>|<option>|<h1>|<button>|<nobr>|<caption>|"
                              "<math><mi>|<template>|<dl><dd>|<pre>|</td>|<frameset>|<em>|"
                              "<center>"),
             '|'))
        pieces.emplace_back(piece.begin(), piece.end());
    std::mt19937 random(20261207);
    int limited = 0;
    for (int round = 0; round < 30; ++round) {
        std::string html;
        // Each round favours a few pieces, so that some rounds nest deep and others wide.
        std::vector<std::size_t> favoured;
        for (int i = 0; i < 3; ++i)
            favoured.push_back(random() % pieces.size());
        for (int i = 0; i < 3000; ++i)
            html += pieces[random() % 3 ? favoured[random() % 3] : random() % pieces.size()];
        const std::string kept = HtmlReader::limitNesting(html);
        limited += kept != html;
        EXPECT_LE(parsedDepth(kept), HtmlReader::maxDepth + 2) << "round " << round;
    }
    EXPECT_GT(limited, 20) << "the generated markup should mostly outgrow the limits";
}

} // namespace
} // namespace quillo
