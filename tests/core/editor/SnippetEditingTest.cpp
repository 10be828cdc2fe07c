#include "core/editor/SnippetEditing.h"

#include "fakes/Dates.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace SnippetEditing;

Snippet snippet(std::string text, SnippetFormat format) {
    Snippet result;
    result.text = std::move(text);
    result.format = format;
    return result;
}

TEST(LinkAddress, GetsASchemeOnlyWhenItHasNone) {
    EXPECT_EQ(linkAddress("ann@example.com"), "mailto:ann@example.com");
    EXPECT_EQ(linkAddress("example.com/help"), "https://example.com/help");
    EXPECT_EQ(linkAddress("http://example.com"), "http://example.com");
    EXPECT_EQ(linkAddress("mailto:ann@example.com"), "mailto:ann@example.com");
    // Blanks go, the no-break and ideographic spaces too; an empty address removes the link.
    EXPECT_EQ(linkAddress(" \t\u00a0example.com\u3000 "), "https://example.com");
    EXPECT_EQ(linkAddress(" \t "), "");
    // Line breaks are no blanks: they stay, and the address is used as it is.
    EXPECT_EQ(linkAddress("\nexample.com"), "https://\nexample.com");
}

TEST(FieldPlaceholder, CleansNameAndDefault) {
    EXPECT_EQ(fieldPlaceholder("Client|Name}", "Dear {you}"), "{{field:ClientName|Dear {you}}");
    EXPECT_EQ(fieldPlaceholder("  Client Name\t", ""), "{{field:Client Name}}");
    // The default keeps its blanks and its bars.
    EXPECT_EQ(fieldPlaceholder("Tone", " a|b "), "{{field:Tone| a|b }}");
    EXPECT_EQ(fieldPlaceholder("Tone", "}"), "{{field:Tone}}");
    EXPECT_EQ(fieldPlaceholder(" |} ", "default"), std::nullopt);
    EXPECT_EQ(fieldPlaceholder("", ""), std::nullopt);
}

TEST(Converting, AsksOnlyWhenPlainTextWouldLoseMarkupAndWritesTheOtherFormat) {
    EXPECT_TRUE(asksBeforeConverting(snippet("<div><b>Hi</b></div>", SnippetFormat::rich),
                                     SnippetFormat::plain));
    EXPECT_FALSE(asksBeforeConverting(snippet("", SnippetFormat::rich), SnippetFormat::plain));
    EXPECT_FALSE(
        asksBeforeConverting(snippet("Hi there", SnippetFormat::rich), SnippetFormat::plain));
    EXPECT_FALSE(asksBeforeConverting(snippet("a < b", SnippetFormat::plain), SnippetFormat::rich));

    EXPECT_EQ(convertedText(snippet("Hi <you>\n\nBye", SnippetFormat::plain), SnippetFormat::rich),
              "<div>Hi &lt;you&gt;</div><div><br></div><div>Bye</div>");
    // No blank lines at either end; those inside stay.
    EXPECT_EQ(convertedText(snippet("<div><br></div><div><b>Hi</b></div><div><br></div>"
                                    "<div>Bye</div><div><br></div>",
                                    SnippetFormat::rich),
                            SnippetFormat::plain),
              "Hi\n\nBye");
    const Snippet same = snippet("<b>x</b>", SnippetFormat::rich);
    EXPECT_EQ(convertedText(same, SnippetFormat::rich), same.text);
}

TEST(FooterTexts, UsageAndFields) {
    const DateFormatting dates("en_US", "UTC");
    const Date now = testing::utc(2026, 3, 10, 12);
    Snippet used = snippet("Hi", SnippetFormat::plain);
    EXPECT_EQ(usageText(used, now, dates), "Not used yet");
    used.useCount = 4; // counted, but never stamped
    EXPECT_EQ(usageText(used, now, dates), "Not used yet");
    used.useCount = 1;
    used.lastUsed = now - std::chrono::hours(2);
    EXPECT_EQ(usageText(used, now, dates), "Used 1 time, last 2 hours ago");
    used.useCount = 2;
    EXPECT_EQ(usageText(used, now, dates), "Used 2 times, last 2 hours ago");

    EXPECT_EQ(asksForText(snippet("Hi", SnippetFormat::plain)), "");
    EXPECT_EQ(asksForText(snippet("{{field:Name}} {{date}} {{field:Order|1}} {{field:Name}}",
                                  SnippetFormat::plain)),
              "Asks for: Name, Order");
    EXPECT_EQ(asksForText(snippet("<div>{{field:A&amp;B}}</div>", SnippetFormat::rich)),
              "Asks for: A&B");
}

} // namespace
} // namespace quillo
