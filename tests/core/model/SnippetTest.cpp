#include "core/model/Snippet.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;

TEST(Snippet, onlyANameGivesAnEmptyRichUngroupedUnusedSnippetAndFormatsStoreAsRichOrPlain) {
    const Date before = SystemClock().now();
    const Snippet snippet{.name = "Hello"};
    const Date after = SystemClock().now();
    EXPECT_EQ(snippet.format, SnippetFormat::rich);
    EXPECT_EQ(snippet.text, "");
    EXPECT_FALSE(snippet.groupID);
    EXPECT_FALSE(snippet.lastUsed);
    EXPECT_EQ(snippet.useCount, 0);
    EXPECT_GE(snippet.created, before);
    EXPECT_LE(snippet.modified, after);
    EXPECT_NE(snippet.id, Snippet{.name = "Hello"}.id);
    EXPECT_EQ(rawValue(SnippetFormat::rich), "rich");
    EXPECT_EQ(rawValue(SnippetFormat::plain), "plain");
    EXPECT_EQ(snippetFormat("plain"), SnippetFormat::plain);
    EXPECT_FALSE(snippetFormat("Rich"));
    EXPECT_FALSE(snippetFormat("html"));
}

TEST(Snippet, equalityCoversEveryFieldAndComparesTextsAsUnicodeText) {
    const Snippet base{.name = "Hi", .text = "<div>Hi</div>", .useCount = 2};
    EXPECT_EQ(base, Snippet(base));
    Snippet other = base;
    other.lastUsed = base.created;
    EXPECT_NE(base, other);
    other = base;
    other.modified += 1us;
    EXPECT_NE(base, other);
    other = base;
    other.format = SnippetFormat::plain;
    EXPECT_NE(base, other);
    other = base;
    other.groupID = Uuid::random();
    EXPECT_NE(base, other);
    other = base;
    other.id = Uuid::random();
    EXPECT_NE(base, other);

    // Texts compare as Unicode text.
    Snippet composed{.name = "Caf\u00e9", .text = "r\u00e9sum\u00e9"};
    Snippet decomposed = composed;
    decomposed.name = "Cafe\u0301";
    decomposed.text = "re\u0301sume\u0301";
    EXPECT_EQ(composed, decomposed);
    EXPECT_EQ(std::hash<Snippet>{}(composed), std::hash<Snippet>{}(decomposed));

    Snippet upper = composed;
    upper.name = "CAF\u00c9";
    EXPECT_NE(composed, upper);

    const SnippetGroup group{.name = "\u00c5ngstr\u00f6m"};
    const SnippetGroup spelledApart{.id = group.id, .name = "A\u030angstro\u0308m"};
    EXPECT_EQ(group, spelledApart);
    EXPECT_EQ(std::hash<SnippetGroup>{}(group), std::hash<SnippetGroup>{}(spelledApart));
}

} // namespace
} // namespace quillo
