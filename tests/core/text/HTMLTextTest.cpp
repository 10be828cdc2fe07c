#include "core/text/HTMLText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace HTMLText;

TEST(HTMLTextEntities, escapesTheFiveCharactersAndDecodesNamedNumericAndAmpersandsLast) {
    EXPECT_EQ(decodeEntities("no entities <b>"), "no entities <b>");
    EXPECT_EQ(decodeEntities("a&nbsp;b"), "a b"); // an ordinary space
    EXPECT_EQ(decodeEntities("&lt;&gt;&quot;&#39;&apos;"), "<>\"''");
    EXPECT_EQ(decodeEntities("&lsquo;&rsquo;&ldquo;&rdquo;&mdash;&ndash;&hellip;"),
              "\u2018\u2019\u201C\u201D\u2014\u2013\u2026");
    // Only the table's names, matched exactly.
    EXPECT_EQ(decodeEntities("&euro; &LT; &nbsp &copy;"), "&euro; &LT; &nbsp &copy;");

    EXPECT_EQ(decodeEntities("&#65;&#x41;&#x1F600;&#233;"), "AA\U0001F600\u00e9");
    // Capital X, hex letters in a decimal reference, surrogates, out of range, overflow.
    for (const char* kept : {"&#X41;", "&#6A;", "&#xD800;", "&#55296;", "&#x110000;",
                             "&#99999999999;", "&#xFFFFFFFFF;", "&#;", "&#x;", "&#65"})
        EXPECT_EQ(decodeEntities(kept), kept);
    EXPECT_EQ(decodeEntities("&#x0;"), std::string(1, '\0'));

    EXPECT_EQ(decodeEntities("&amp;lt;"), "&lt;");
    EXPECT_EQ(decodeEntities("&amp;#65;"), "&#65;");
    EXPECT_EQ(decodeEntities("Tom &amp; Jerry"), "Tom & Jerry");
    // A reference may produce an ampersand that then joins the last step.
    EXPECT_EQ(decodeEntities("&#38;amp;"), "&");
    EXPECT_EQ(escape(R"(a & b < c > "d" 'e')"), "a &amp; b &lt; c &gt; &quot;d&quot; &#39;e&#39;");
    EXPECT_EQ(escape("&amp;"), "&amp;amp;");
    EXPECT_EQ(escape("plain é ✓"), "plain é ✓");
}

TEST(HTMLTextPlainText, linesFromBlocksAndBreaks) {
    EXPECT_EQ(plainTextFromHTML("<div>a</div><div><br></div><div>b</div>"), "a\n\nb");
    EXPECT_EQ(plainTextFromHTML("<p>One<br/>two<BR >three</p><h2 class=\"x\">Title</h2>"),
              "One\ntwo\nthree\nTitle");
    EXPECT_EQ(plainTextFromHTML("<ul><li>first</li><li class=a>second</li></ul>"),
              "\u2022 first\n\n\u2022 second");
    EXPECT_EQ(plainTextFromHTML("<div>a</div><div><br></div><div><br></div><div><br></div>"
                                "<div>b</div>"),
              "a\n\nb");
    EXPECT_EQ(plainTextFromHTML("<br><br><div>&nbsp;x&lt;y&gt;&nbsp;</div><br>"), "x<y>");
    EXPECT_EQ(plainTextFromHTML("<b>Bold</b> <a href=\"https://e.com\">link</a>"), "Bold link");
    // Not tags: a "<" with no ">" after it, and "<>", stay; anything between "<" and ">"
    // reads as a tag.
    EXPECT_EQ(plainTextFromHTML("1 < 2"), "1 < 2");
    EXPECT_EQ(plainTextFromHTML("a <> b"), "a <> b");
    EXPECT_EQ(plainTextFromHTML("1 < 2 and 3 > 2"), "1  2");
    EXPECT_EQ(plainTextFromHTML("{{field:Name|x}}"), "{{field:Name|x}}");
}

TEST(HTMLTextFromPlain, linesBecomeDivsAndSpacesSurvive) {
    EXPECT_EQ(htmlFromPlain(""), "<div><br></div>");
    EXPECT_EQ(htmlFromPlain("a\n\nb\n"), "<div>a</div><div><br></div><div>b</div><div><br></div>");
    EXPECT_EQ(htmlFromPlain("two  spaces"), "<div>two&nbsp; spaces</div>");
    EXPECT_EQ(htmlFromPlain(" lead"), "<div>&nbsp;lead</div>");
    EXPECT_EQ(htmlFromPlain("a   b"), "<div>a&nbsp;&nbsp; b</div>");
    EXPECT_EQ(htmlFromPlain("\tx"), "<div>&nbsp;&nbsp;&nbsp; x</div>");
    EXPECT_EQ(htmlFromPlain("<tag> & 'q'"), "<div>&lt;tag&gt; &amp; &#39;q&#39;</div>");
    // Back again, the text is the same.
    EXPECT_EQ(plainTextFromHTML(htmlFromPlain("Dear Ann,\n\nThanks  a lot!")),
              "Dear Ann,\n\nThanks  a lot!");
}

TEST(HTMLTextRemovingFonts, familiesGoOtherStylingStays) {
    EXPECT_EQ(removingFonts(R"(<span style="font-family: Arial; color: red">x</span>)"),
              R"(<span style="color: red">x</span>)");
    EXPECT_EQ(removingFonts(R"(<span style="font-family:&quot;Times New Roman&quot;">x</span>)"),
              "<span>x</span>");
    EXPECT_EQ(removingFonts(R"(<p style="FONT-FAMILY: 'Segoe UI', sans-serif">x</p>)"), "<p>x</p>");
    EXPECT_EQ(removingFonts(R"(<p style="margin:0;font-family:Calibri;font-size:11pt">)"),
              R"(<p style="margin:0;font-size:11pt">)");
    EXPECT_EQ(removingFonts(R"(<font face="Arial" size="3" color="#ff0000">x</font>)"),
              R"(<font size="3" color="#ff0000">x</font>)");
    EXPECT_EQ(removingFonts(R"(<FONT size=2 face='Courier New'>x</FONT>)"),
              "<FONT size=2>x</FONT>");
    EXPECT_EQ(removingFonts(R"(<font face="">x</font><fonts face="a">)"),
              R"(<font>x</font><fonts face="a">)");
    EXPECT_EQ(removingFonts("<b>no fonts</b>"), "<b>no fonts</b>");
}

// Inputs built to make a backtracking engine scan from every position to the far end.
// They must come back right; a quadratic path would not come back within the test's time.
TEST(HTMLTextBadInput, hostileInputsStayLinearAndBrokenUtf8IsReplaced) {
    const std::size_t n = 200'000;
    std::string opens(n, '<');
    EXPECT_EQ(plainTextFromHTML(opens), opens);
    EXPECT_EQ(plainTextFromHTML("<b>x</b>" + opens), "x" + opens);

    std::string fonts;
    for (std::size_t i = 0; i < n / 8; ++i)
        fonts += "<font a ";
    EXPECT_EQ(removingFonts(fonts + ">"), fonts + ">");
    EXPECT_EQ(removingFonts(fonts + " face=\"x\">"), fonts + ">");

    std::string unfinished = "font-family:";
    unfinished.append(n, 'a');
    EXPECT_EQ(removingFonts(unfinished), "");

    std::string references;
    for (std::size_t i = 0; i < n / 8; ++i)
        references += "&#12345";
    EXPECT_EQ(decodeEntities(references), references);

    std::string lines(n, '\n');
    EXPECT_EQ(htmlFromPlain(lines).size(), (n + 1) * std::string("<div><br></div>").size());

    // Broken UTF-8 does not stop the conversions.
    const std::string broken = "<div>a\xff\xfe b\xc3</div>";
    EXPECT_EQ(plainTextFromHTML(broken), "a\uFFFD\uFFFD b\uFFFD");
    EXPECT_EQ(htmlFromPlain("\xff"), "<div>\uFFFD</div>");
}

} // namespace
} // namespace quillo
