#include "core/text/HTMLText.h"
#include "fakes/Styled.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using testing::colored;
using testing::styled;

TEST(StyledHtmlWriting, LinesBecomeDivs) {
    EXPECT_EQ(HTMLText::htmlFromAttributed(StyledText("a\n\nb")),
              "<div>a</div><div><br></div><div>b</div>");
    EXPECT_EQ(HTMLText::htmlFromAttributed(StyledText()), "<div><br></div>");
    EXPECT_EQ(HTMLText::htmlFromAttributed(StyledText("\n")), "<div><br></div>");
    // One trailing line feed gives no extra line; a second one does.
    EXPECT_EQ(HTMLText::htmlFromAttributed(StyledText("a\n")), "<div>a</div>");
    EXPECT_EQ(HTMLText::htmlFromAttributed(StyledText("a\n\n")), "<div>a</div><div><br></div>");
    EXPECT_EQ(HTMLText::htmlFromAttributed(StyledText("<a href='x'> & \"y\"")),
              "<div>&lt;a href=&#39;x&#39;&gt; &amp; &quot;y&quot;</div>");
    // Runs split at line feeds keep their style on each line.
    TextAttributes bold;
    bold.bold = true;
    EXPECT_EQ(HTMLText::htmlFromAttributed(styled({{"a\nb", bold}, {"c\n", {}}, {"\n", bold}})),
              "<div><b>a</b></div><div><b>b</b>c</div><div><br></div>");
}

TEST(StyledHtmlWriting, StylesWrapFromTheInsideOut) {
    TextAttributes all;
    all.bold = all.italic = all.underline = all.strikethrough = true;
    all.color = RgbColor{1, 0, 0};
    EXPECT_EQ(HTMLText::htmlFromAttributed(styled({{"x", all}})),
              "<div><span style=\"color:#ff0000\"><s><u><b><i>x</i></b></u></s></span></div>");
    TextAttributes linked = all;
    linked.link = "https://e.com/?a=1&b=\"2\"";
    EXPECT_EQ(HTMLText::htmlFromAttributed(styled({{"x", linked}})),
              "<div><a href=\"https://e.com/?a=1&amp;b=&quot;2&quot;\"><s><b><i>x</i></b></s></a>"
              "</div>");
    TextAttributes boldItalicRedLink;
    boldItalicRedLink.bold = boldItalicRedLink.italic = true;
    boldItalicRedLink.color = RgbColor{1, 0, 0};
    boldItalicRedLink.link = "https://example.com";
    EXPECT_EQ(HTMLText::htmlFromAttributed(styled({{"text", boldItalicRedLink}})),
              "<div><a href=\"https://example.com\"><b><i>text</i></b></a></div>");
}

TEST(StyledHtmlWriting, DarkGreysAreTheDefaultColour) {
    const auto html = [](int red, int green, int blue) {
        return HTMLText::htmlFromAttributed(
            styled({{"x", colored(red / 255.0, green / 255.0, blue / 255.0)}}));
    };
    EXPECT_EQ(html(0, 0, 0), "<div>x</div>");
    EXPECT_EQ(html(50, 50, 50), "<div>x</div>");
    EXPECT_EQ(html(59, 40, 59), "<div>x</div>");
    EXPECT_EQ(html(60, 60, 60), "<div><span style=\"color:#3c3c3c\">x</span></div>");
    EXPECT_EQ(html(50, 30, 50), "<div><span style=\"color:#321e32\">x</span></div>");
    EXPECT_EQ(html(0, 0, 59), "<div><span style=\"color:#00003b\">x</span></div>");
    // Components round half away from zero.
    EXPECT_EQ(HTMLText::htmlFromAttributed(styled({{"x", colored(0.5, 1, 127.5 / 255)}})),
              "<div><span style=\"color:#80ff80\">x</span></div>");
}

TEST(StyledHtmlRoundTrip, TheProgramsOwnHtmlAndPlainTextSurviveReading) {
    for (const char* html : {
             "<div>a</div><div><br></div><div>b</div>",
             "<div><br></div>",
             "<div>a</div><div><br></div>",
             "<div><b>bold</b> and <i>italic</i>, <u>under</u> <s>struck</s></div>",
             "<div><b><i>both</i></b><span style=\"color:#ff0000\">red</span></div>",
             "<div><span style=\"color:#1f497d\"><s><u><b><i>x</i></b></u></s></span></div>",
             "<div><a href=\"https://example.com/?a=1&amp;b=2\">a </a><a "
             "href=\"https://example.com/?a=1&amp;b=2\"><b>link</b></a></div>",
             "<div>&lt;tag&gt; &amp; &quot;quoted&quot; "
             "&#39;it&#39;</div><div>\u00e9\U0001f600</div>",
         }) {
        const std::optional<StyledText> text = HTMLText::attributedStringFromHTML(html);
        ASSERT_TRUE(text.has_value()) << html;
        EXPECT_EQ(HTMLText::htmlFromAttributed(*text), html);
    }
    // Plain text survives as HTML and back.
    for (const char* plain : {"one\ntwo", "a\n\nb", "", "x\n", "\u00e9 \U0001f600 <&>"}) {
        const std::optional<StyledText> text =
            HTMLText::attributedStringFromHTML(HTMLText::htmlFromAttributed(StyledText(plain)));
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(HTMLText::htmlFromAttributed(*text),
                  HTMLText::htmlFromAttributed(StyledText(plain)))
            << plain;
    }
}

} // namespace
} // namespace quillo
