#include "core/text/Folding.h"
#include "core/text/NaturalOrder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quillo {
namespace {

TEST(Folding, ignoresCaseAndAccentsWithFullCaseFoldingAndNoLocale) {
    EXPECT_EQ(fold("ÉTÉ"), fold("ete"));
    EXPECT_EQ(fold("ÉTÉ"), "ete");
    EXPECT_EQ(fold("Crème Brûlée"), "creme brulee");
    EXPECT_EQ(fold("Ångström"), fold("angstrom"));
    // Precomposed and decomposed spellings fold alike.
    EXPECT_EQ(fold("e\u0301te\u0301"), fold("\u00e9t\u00e9"));
    EXPECT_EQ(fold("ﬁ"), fold("FI")); // the ligature's full folding
    // Full case folding, without a locale.
    EXPECT_EQ(fold("Straße"), fold("STRASSE"));
    EXPECT_EQ(fold("Straße"), "strasse");
    EXPECT_EQ(fold("ẞ"), "ss");
    // Final and medial sigma are one letter; the Turkish dotted capital I loses its dot.
    EXPECT_EQ(fold("οδός"), fold("ΟΔΟΣ"));
    EXPECT_EQ(fold("İstanbul"), "istanbul");
}

TEST(Folding, keepsLettersThatAreNotAccentsAndFoldsAsciiAsOtherText) {
    // Hangul decomposes into jamo for the mark removal and composes back after.
    EXPECT_EQ(fold("한국어"), "한국어");
    // A spacing vowel sign (the "ा" of "राम") is part of the word, not an accent; the
    // vowel sign "े" above the line is a mark and goes.
    EXPECT_EQ(fold("राम"), "राम");
    EXPECT_EQ(fold("ते"), "त");
    EXPECT_EQ(fold("ø"), "ø");
    EXPECT_EQ(fold("Œuvre"), "œuvre");
    // ASCII takes a shortcut; mixing in one accented letter takes the full path.
    EXPECT_EQ(fold("Hello, World! 123 {{Field}}"), "hello, world! 123 {{field}}");
    EXPECT_EQ(fold("Hello, World! é"), fold("hello, world! E"));
    EXPECT_EQ(fold(""), "");
    // Ill-formed bytes read as the replacement character rather than vanishing.
    EXPECT_EQ(fold("A\xff"
                   "É"),
              "a\uFFFD"
              "e");
}

TEST(NaturalOrder, numbersCompareByValueCaseIsIgnoredAndAccentsOrder) {
    EXPECT_LT(naturalCompare("Item 2", "Item 10", "en_US"), 0);
    EXPECT_GT(naturalCompare("Item 10", "Item 2", "en_US"), 0);
    EXPECT_LT(naturalCompare("v1.9", "v1.10", "en_US"), 0);
    std::vector<std::string> names{"Item 10", "item 1", "Item 2", "Apple", "Item 1b", "banana"};
    std::sort(names.begin(), names.end(), NaturalLess("en_US"));
    EXPECT_EQ(names, (std::vector<std::string>{"Apple", "banana", "item 1", "Item 1b", "Item 2",
                                               "Item 10"}));
    EXPECT_EQ(naturalCompare("apple", "Apple", "en_US"), 0);
    EXPECT_EQ(naturalCompare("STRASSE", "strasse", "en_US"), 0);
    const NaturalLess less("en_US");
    EXPECT_FALSE(less("apple", "Apple"));
    EXPECT_FALSE(less("Apple", "apple"));
    // An accent is a lesser difference: it orders, but only after the letters.
    EXPECT_LT(naturalCompare("resume", "résumé", "en_US"), 0);
    EXPECT_GT(naturalCompare("résumé", "resume", "en_US"), 0);
    EXPECT_LT(naturalCompare("résumé", "resumes", "en_US"), 0);
}

TEST(NaturalOrder, followsTheLocaleTheUsersOrThePosixOneIgnoringCase) {
    // Swedish sorts "ä" after "z"; German sorts it with "a".
    EXPECT_GT(naturalCompare("ä", "z", "sv_SE"), 0);
    EXPECT_LT(naturalCompare("ä", "z", "de_DE"), 0);
    EXPECT_TRUE(NaturalLess("sv_SE")("z", "ä"));
    EXPECT_TRUE(NaturalLess("de_DE")("ä", "z"));

    // The user's locale gives a consistent order.
    const NaturalLess less;
    for (const auto& [a, b] : std::vector<std::pair<std::string, std::string>>{
             {"Item 2", "Item 10"}, {"a", "b"}, {"file9", "file10"}}) {
        EXPECT_TRUE(less(a, b)) << a << " " << b;
        EXPECT_LT(naturalCompare(a, b), 0) << a << " " << b;
        EXPECT_GT(naturalCompare(b, a), 0) << a << " " << b;
    }
    EXPECT_EQ(naturalCompare("Same", "same"), 0);

    // What LANG=C gives still ignores case: its own collation would put capitals before "a".
    EXPECT_EQ(naturalCompare("Same", "same", "en_US_POSIX"), 0);
    EXPECT_LT(naturalCompare("apple", "Banana", "en_US_POSIX"), 0);
    EXPECT_LT(naturalCompare("Item 9", "item 10", "en_US_POSIX"), 0);
}

TEST(NaturalOrder, sortKeysOrderAsTheComparisonDoes) {
    const std::vector<std::string> names = {"Reply 10", "reply 2",  "Reply 1", "Réply",
                                            "Reply",    "",         "Zeta",    "alpha",
                                            "Alpha 2",  "Alpha 10", "日本"};
    for (const std::string& locale : {std::string("en_US"), std::string("sv_SE")}) {
        const NaturalLess less(locale);
        for (const std::string& a : names)
            for (const std::string& b : names) {
                const int keys = less.sortKey(a).compare(less.sortKey(b));
                EXPECT_EQ(keys < 0 ? -1 : (keys > 0 ? 1 : 0), less.compare(a, b))
                    << a << " / " << b << " in " << locale;
            }
    }
}

} // namespace
} // namespace quillo
