#include "core/text/Placeholders.h"

#include "core/text/IcuRegex.h"
#include "fakes/Dates.h"
#include "fakes/PlainPlaceholderSearch.h"
#include "fakes/ScopedEnvironment.h"

#include <gtest/gtest.h>
#include <ostream>
#include <unordered_set>

namespace quillo::Placeholders {

// Readable failures rather than bytes.
void PrintTo(const Token& token, std::ostream* out) {
    *out << "{" << token.start << ", " << token.length << ", \"" << token.kind << "\", \""
         << token.argument << "\", \"" << token.defaultValue << "\"}";
}
void PrintTo(const Field& field, std::ostream* out) {
    *out << "{\"" << field.name << "\", \"" << field.defaultValue << "\"}";
}

} // namespace quillo::Placeholders

namespace quillo {
namespace {

using Placeholders::Field;
using Placeholders::Token;
using Placeholders::Values;
using testing::utc;

// Saturday 5 December 2026, 03:54:06 UTC.
const Date moment = utc(2026, 12, 5, 3, 54, 6);
const DateFormatting dates("en_US", "UTC");

std::string render(std::string_view text, bool isHTML, const Values& values = {},
                   const std::optional<std::string>& clipboard = std::nullopt) {
    return Placeholders::render(text, isHTML, values, clipboard, moment, dates);
}

TEST(Placeholders, textWithoutPlaceholdersRendersToItselfAndBytesAroundThemAreCopiedExactly) {
    for (const std::string text : {"", "plain words", "{{", "}}", "{{}}", "}}{{", "{ {date} }",
                                   "{{ 42 }} and {{}", "<div>Tom &amp; Jerry &lt;3</div>",
                                   "ill-formed \xff\xfe bytes", "truncated \xe2\x82", "{{date"}) {
        EXPECT_EQ(render(text, false), text);
        EXPECT_EQ(render(text, true), text);
        EXPECT_TRUE(Placeholders::fields(text, false).empty());
    }
    const Values values{{"n", "N"}};
    EXPECT_EQ(
        render("\xff{{field:n}}\xe2\x82{{field:n}}\xf0\x9f\x98\x80{{field:n}}\xc3", false, values),
        "\xff"
        "N\xe2\x82"
        "N\xf0\x9f\x98\x80"
        "N\xc3");
}

TEST(Placeholders, dateAndTimeInStylesAndPatternsOfTheGivenOrTheEnvironmentsSettings) {
    EXPECT_EQ(render("Today is {{date}}.", false), "Today is December 5, 2026.");
    EXPECT_EQ(render("{{time}}", false), "3:54\u202FAM");
    EXPECT_EQ(render("{{ DATE : Short }}", false), "12/5/26");
    EXPECT_EQ(render("{{Time:medium}}", false), "3:54:06\u202FAM");
    // The argument keeps its inner colon and its case.
    EXPECT_EQ(render("{{time:HH:mm}}", false), "03:54");
    EXPECT_EQ(render("{{date:MM/mm}}", false), "12/54");
    // An empty argument is no argument; the default part is ignored.
    EXPECT_EQ(render("{{date:}}", false), "December 5, 2026");
    EXPECT_EQ(render("{{date|x}}", false), "December 5, 2026");
    EXPECT_EQ(render("{{date:short|x}}", false), "12/5/26");
    EXPECT_EQ(Placeholders::formatDate(moment, "yyyy", false, dates), "2026");

    // Without date settings, the environment's are used.
    testing::ScopedEnvironment environment;
    environment.set("LC_ALL", "de_DE.UTF-8");
    environment.set("TZ", "America/New_York");
    EXPECT_EQ(Placeholders::render("{{date}} {{field:a|b}}", false, {}, std::nullopt, moment),
              "4. Dezember 2026 b");
}

TEST(Placeholders, clipboardIsTheTextPassedInOrNothingAndNoReplacementIsScannedAgain) {
    EXPECT_EQ(render("[{{clipboard|none}}]", false), "[]");
    EXPECT_EQ(render("[{{clipboard}}]", false, {}, std::string("copied")), "[copied]");
    EXPECT_EQ(render("[{{CLIPBOARD:x|y}}]", false, {}, std::string("copied")), "[copied]");
    // Replacements are never scanned again.
    EXPECT_EQ(render("{{field:a}}{{field:b}}", false, {{"a", "{{"}, {"b", "time}}"}}), "{{time}}");
    EXPECT_EQ(render("{{field:a}}", false, {{"a", "{{time}}"}}), "{{time}}");
    EXPECT_EQ(render("{{clipboard}}", true, {}, std::string("{{date}}")), "{{date}}");
}

TEST(Placeholders, fieldValuesEmptyValuesAndDefaultsEachKeptByARepeatedFieldListedOnce) {
    const std::string text = "Dear {{field:Customer name | Madam}},";
    EXPECT_EQ(Placeholders::fields(text, false), (std::vector<Field>{{"Customer name", "Madam"}}));
    EXPECT_EQ(render(text, false), "Dear Madam,");
    EXPECT_EQ(render(text, false, {{"Customer name", ""}}), "Dear ,");
    EXPECT_EQ(render(text, false, {{"Customer name", "Ada"}}), "Dear Ada,");
    // Names are exact: another case is another field.
    EXPECT_EQ(render(text, false, {{"customer name", "Ada"}}), "Dear Madam,");
    EXPECT_EQ(render("{{field:n}}", false), "");
    // A field without a name is not listed but still renders.
    EXPECT_TRUE(Placeholders::fields("{{field}} {{field: |d}}", false).empty());
    EXPECT_EQ(render("[{{field}}][{{field:|d}}]", false), "[][d]");
    EXPECT_EQ(render("[{{field}}][{{field:|d}}]", false, {{"", "v"}}), "[v][v]");
    // A repeated field is listed once but keeps each default.
    const std::string twice = "{{field:x|one}} {{field:y}} {{FIELD: x |two}} {{field:y|three}}";
    EXPECT_EQ(Placeholders::fields(twice, false), (std::vector<Field>{{"x", "one"}, {"y", ""}}));
    EXPECT_EQ(render(twice, false), "one  two three");
    EXPECT_EQ(render(twice, false, {{"x", "X"}, {"y", "Y"}}), "X Y X Y");
}

TEST(Placeholders, otherKeywordsAndNonMatchesStayAsWritten) {
    for (const bool isHTML : {false, true}) {
        EXPECT_EQ(render("{{name}} {{ 42 }} {{field:a}b}}", isHTML),
                  "{{name}} {{ 42 }} {{field:a}b}}");
        EXPECT_EQ(render("<b>{{Greeting : a<i>b | c&d }}</b>", isHTML),
                  "<b>{{Greeting : a<i>b | c&d }}</b>");
        EXPECT_EQ(render("{{field x}}{{date:a|b}c}}", isHTML), "{{field x}}{{date:a|b}c}}");
    }
}

TEST(Placeholders, htmlModeEscapesReplacementsBreaksLinesAndDecodesEntitiesInNamesAndDefaults) {
    const Values values{{"v", "a<b\nc"}, {"all", "&<>\"'\r\n"}};
    EXPECT_EQ(render("{{field:v}}", true, values), "a&lt;b<br>c");
    EXPECT_EQ(render("{{field:v}}", false, values), "a<b\nc");
    EXPECT_EQ(render("{{field:all}}", true, values), "&amp;&lt;&gt;&quot;&#39;\r<br>");
    EXPECT_EQ(render("<div>{{clipboard}}</div>", true, {}, std::string("x & y")),
              "<div>x &amp; y</div>");
    EXPECT_EQ(render("{{field:n|<none>}}", true), "&lt;none&gt;");
    const std::string text = "{{field:Tom &amp; Jerry|&lt;none&gt;}}";
    EXPECT_EQ(Placeholders::fields(text, true), (std::vector<Field>{{"Tom & Jerry", "<none>"}}));
    EXPECT_EQ(Placeholders::fields(text, false),
              (std::vector<Field>{{"Tom &amp; Jerry", "&lt;none&gt;"}}));
    EXPECT_EQ(render(text, true, {{"Tom & Jerry", "cat & mouse"}}), "cat &amp; mouse");
    EXPECT_EQ(render(text, true), "&lt;none&gt;");
    // Trimming comes before decoding, so an encoded space stays part of the name.
    EXPECT_EQ(Placeholders::fields("{{field:&nbsp;a }}", true), (std::vector<Field>{{" a", ""}}));
}

TEST(Placeholders, tokensTrimOnlySpacesAndTabsAndTheirRangesCountUtf16Units) {
    EXPECT_EQ(Placeholders::tokens("{{\n Field \n:\n name \t|\tdefault: a|b \n}}", false),
              (std::vector<Token>{{0, 38, "field", "\n name", "default: a|b \n"}}));
    // "é" is one unit, "😀" two.
    EXPECT_EQ(Placeholders::tokens("é😀 {{Date}} x {{field:Ré|😀}}", false),
              (std::vector<Token>{{4, 8, "date", "", ""}, {15, 15, "field", "Ré", "😀"}}));
}

TEST(Placeholders, findsWhatAPlainSearchFinds) {
    for (const std::string text :
         {"{{{date}}}", "{{{{date}}}}", "{{a}b}}{{date}}", "{{x}}}}{{y}}", "{{ {{date}}",
          "{{a:{{b}}", "}}{{c}}", "{{a|{{b}}}}", "{{a:x}y}}{{b}}", "{{a {{b}}", "{{a:b|c}d}}{{e}}",
          "{{a}}{{b}}{{c}}", "{{\t{{  x  }}}}", "{{a:}}}", "{{a|}}", "{{ab cd}} {{ef}}",
          "x{{a:|}}{", "{{{{{{a}}}}}}", "{{a}x}}{{b}y}}{{c}}"}) {
        std::vector<std::pair<int32_t, int32_t>> ranges;
        for (const Token& token : Placeholders::tokens(text, false))
            ranges.emplace_back(token.start, token.length);
        EXPECT_EQ(ranges, testing::plainPlaceholderSearch(toUnicode(text))) << text;
    }
}

TEST(Placeholders, pathologicalTemplatesTakeLinearTime) {
    // A plain search would scan from every "{{" to the far end: about 10^11 steps here.
    std::string openArguments;
    std::string openDefaults;
    for (int i = 0; i < 250'000; ++i) {
        openArguments += "{{a:";
        openDefaults += "{{a|";
    }
    for (const std::string& body : {openArguments, openDefaults}) {
        const std::string unmatched = body + "}x";
        const std::string text = unmatched + "{{field:n|d}}";
        EXPECT_EQ(render(text, false), unmatched + "d");
        EXPECT_EQ(render(text, true), unmatched + "d");
        EXPECT_EQ(Placeholders::fields(text, false), (std::vector<Field>{{"n", "d"}}));
        // Never closed at all.
        EXPECT_EQ(render(body, false), body);
    }
    // Every "{{" closes at the same far "}}", but only the last one matches.
    std::string words;
    for (int i = 0; i < 200'000; ++i)
        words += "{{ab ";
    words += "}}";
    const std::vector<Token> found = Placeholders::tokens(words, false);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].kind, "ab");
    EXPECT_EQ(found[0].start + found[0].length, static_cast<int32_t>(words.size()));
}

} // namespace
} // namespace quillo
