#include "core/picker/PickerSearch.h"

#include "fakes/LibraryFixture.h"
#include "fakes/Names.h"

#include <cstring>
#include <gmock/gmock.h>
#include <limits>
#include <random>

namespace quillo {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Details {
    std::string text{};
    std::optional<Uuid> group{};
    std::int64_t uses = 0;
    std::optional<Date> lastUsed{};
    SnippetFormat format = SnippetFormat::plain;
};

class PickerSearchTest : public testing::LibraryTest {
protected:
    std::unique_ptr<Library> library = open(false);

    Snippet add(const std::string& name, const Details& details = {}) {
        Snippet snippet = library->addSnippet(details.group);
        snippet.name = name;
        snippet.text = details.text;
        snippet.format = details.format;
        snippet.useCount = details.uses;
        snippet.lastUsed = details.lastUsed;
        library->update(snippet);
        return *library->snippet(snippet.id);
    }

    std::vector<std::string> found(std::string_view query) const {
        return testing::namesOf(PickerSearch::search(query, *library));
    }

    std::vector<Uuid> foundIDs(std::string_view query) const {
        std::vector<Uuid> ids;
        for (const Snippet& snippet : PickerSearch::search(query, *library))
            ids.push_back(snippet.id);
        return ids;
    }

    std::optional<std::int64_t> score(std::string_view query, const Snippet& snippet) const {
        return PickerSearch::score(query, snippet, *library);
    }
};

TEST_F(PickerSearchTest, blankQueriesListEverythingMostRecentlyUsedFirst) {
    const Date now = clock.now();
    add("Zebra");
    add("Last week", {.uses = 1, .lastUsed = now - 24h * 7});
    add("apple");
    add("Tie", {.uses = 9, .lastUsed = now - 48h});
    add("Yesterday", {.uses = 1, .lastUsed = now - 24h});
    add("Mango 10");
    add("Another tie", {.uses = 2, .lastUsed = now - 48h});
    add("mango 9");

    const std::vector<std::string> expected{"Yesterday", "Tie",     "Another tie", "Last week",
                                            "apple",     "mango 9", "Mango 10",    "Zebra"};
    // Tabs and every space separator are trimmed; equal dates keep library order.
    for (const std::string_view blank : {"", "   ", " \t\t ", "\u00a0\u3000\u2009"})
        EXPECT_EQ(found(blank), expected) << "query \"" << blank << "\"";

    // A lone accent folds away, leaving nothing to search for either.
    EXPECT_EQ(found("\u0301"), expected);
    // A line break is not trimmed: it is searched for.
    add("Two lines", {.text = "first\nsecond"});
    EXPECT_THAT(found("\n"), ElementsAre("Two lines"));
    EXPECT_THAT(found(" \n\t"), ElementsAre("Two lines"));
    EXPECT_EQ(PickerSearch::search("", *library).size(), library->snippets().size());
}

TEST_F(PickerSearchTest, caseAndAccentsDoNotMatter) {
    const Snippet summer = add("Été en France", {.text = "plans", .uses = 4});
    const Snippet plain = add("Notes", {.text = "the ete plan", .uses = 1});
    const Snippet capital = add("ETE", {.uses = 30});
    add("Winter");

    EXPECT_EQ(foundIDs("ÉTÉ"), foundIDs("ete"));
    EXPECT_EQ(foundIDs("ete"), (std::vector<Uuid>{capital.id, summer.id, plain.id}));
    for (const Snippet& snippet : {summer, plain, capital})
        EXPECT_EQ(score("ÉTÉ", snippet), score("ete", snippet)) << snippet.name;
    EXPECT_THAT(found("STRASSE"), IsEmpty());
    add("Straße");
    EXPECT_THAT(found("STRASSE"), ElementsAre("Straße"));
}

TEST_F(PickerSearchTest, everyTokenMustBeInTheNameTheGroupOrTheText) {
    const SnippetGroup bars = library->addGroup("Bar staff");
    add("Foo things", {.text = "<div>a <b>bar</b> of soap</div>", .format = SnippetFormat::rich});
    add("Foo only", {.text = "nothing else"});
    add("Grouped foo", {.group = bars.id});
    add("Bar alone");

    // The group's "bar" scores 5 more than the text's.
    EXPECT_THAT(found("foo bar"), ElementsAre("Grouped foo", "Foo things"));
    // Token order doesn't matter, and runs of spaces are one separator.
    EXPECT_EQ(found("bar   foo"), found("foo bar"));
    // Markup is not text: "b" as a tag is not found, "soap" is.
    EXPECT_THAT(found("foo soap"), ElementsAre("Foo things"));
    EXPECT_THAT(found("foo div"), IsEmpty());

    // Only U+0020 separates: a tab or a no-break space belongs to the token.
    add("Tabbed", {.text = "foo\tbar"});
    EXPECT_THAT(found("foo\tbar"), ElementsAre("Tabbed"));
    EXPECT_THAT(found("foo\u00a0bar"), IsEmpty());
}

TEST_F(PickerSearchTest, theTrimmedWholeQueryDecidesTheNameBonus) {
    const Snippet prefix = add("Thank you");
    const Snippet inside = add("Many thanks");
    const Snippet textOnly = add("Reply", {.text = "thank you"});

    EXPECT_EQ(score("  Thank", prefix), score("Thank", prefix));
    EXPECT_THAT(found("  Thank"), ElementsAre("Thank you", "Many thanks", "Reply"));
    // Prefix beats anywhere-in-the-name, which beats the text; each by the rule's margins.
    EXPECT_EQ(*score("thank", prefix) - *score("thank", inside), 120 - 70);
    EXPECT_EQ(*score("thank", inside) - *score("thank", textOnly), 70 + 15);

    // With several tokens the whole query, inner space included, is what must be in the name.
    const Snippet spaced = add("Pre plan");
    const Snippet apart = add("Plan pre");
    EXPECT_EQ(*score("re pl", spaced) - *score("re pl", apart), 70);
    EXPECT_EQ(score("re pl", apart), 2 * 15);
    EXPECT_EQ(score("nothing like it", prefix), std::nullopt);
}

TEST_F(PickerSearchTest, scoresCountNameGroupAndCappedUsesAndTiesGoInNaturalNameThenLibraryOrder) {
    const SnippetGroup billing = library->addGroup("Billing");
    const Snippet thanks = add("Thanks for waiting", {.group = billing.id, .uses = 40});
    EXPECT_EQ(score("thanks", thanks), 120 + 15 + 25);
    const Snippet refund = add("Refund", {.text = "Many thanks!", .uses = 7});
    EXPECT_EQ(score("thanks", refund), 7);
    // A token in the group's name adds 5, one in the name 15; both can apply.
    const Snippet bill = add("Bill reminder", {.group = billing.id});
    EXPECT_EQ(score("bill", bill), 120 + 15 + 5);

    // The use count counts up to 25; a count below zero from a hand-edited file counts too.
    const Snippet unused = add("Unused note");
    const Snippet busy = add("Busy note", {.uses = 1000});
    const Snippet few = add("Few note", {.uses = 3});
    const Snippet broken = add("Broken note", {.uses = -1});
    EXPECT_EQ(*score("note", busy) - *score("note", unused), 25);
    EXPECT_EQ(*score("note", few) - *score("note", unused), 3);
    EXPECT_EQ(*score("note", broken) - *score("note", unused), -1);
    EXPECT_THAT(found("note"), ElementsAre("Busy note", "Few note", "Unused note", "Broken note"));

    // 1000 uses and 25 uses tie, so the name decides; 24 uses fall behind.
    add("Alpha note", {.uses = 25});
    add("Beta note", {.uses = 24});
    EXPECT_THAT(found("note"), ElementsAre("Alpha note", "Busy note", "Beta note", "Few note",
                                           "Unused note", "Broken note"));

    // Equal scores go in natural name order, then library order.
    add("Item 10");
    const Snippet first = add("item 2");
    add("Item 1");
    const Snippet second = add("ITEM 2");
    add("Item 2b");
    EXPECT_THAT(found("item"), ElementsAre("Item 1", "item 2", "ITEM 2", "Item 2b", "Item 10"));
    const std::vector<Uuid> ids = foundIDs("item");
    EXPECT_EQ(ids[1], first.id);
    EXPECT_EQ(ids[2], second.id);
}

TEST_F(PickerSearchTest, ungroupedFindsSnippetsWithoutAGroup) {
    const SnippetGroup billing = library->addGroup("Billing");
    const SnippetGroup legal = library->addGroup("Legal");
    add("Invoice", {.group = billing.id});
    add("Loose one");
    add("Lost group", {.group = Uuid::random()});
    add("Terms", {.group = legal.id});
    EXPECT_THAT(found("ungrouped"), ElementsAre("Loose one", "Lost group"));

    library->deleteGroup(legal.id);
    EXPECT_THAT(found("UNGROUPED"), ElementsAre("Loose one", "Lost group", "Terms"));
    EXPECT_THAT(found("billing"), ElementsAre("Invoice"));
}

// Names, texts and queries drawn from the cases that break searches: digits, accents,
// letter case, folding to other lengths, marks alone, spaces of all kinds, empty names.
const std::vector<std::string> nameWords{
    "Item",     "item",   "2",    "10",    "Reply",     "reply",  "Réponse", "ÉTÉ", "ete",  "Thank",
    "you",      "thanks", "for",  "Re",    "pl",        "Straße", "ß",       "Zoë", "🙂", "ﬁle",
    "İstanbul", "café",   "CAFE", "naïve", "Ungrouped", "note",   "x",       "\xff"};
const std::vector<std::string> textWords{"thank",  "you",   "bar", "foo",  "re pl", "café",
                                         "résumé", "ete",   "ÉTÉ", "the",  "order", "10",
                                         "2",      "🙂",  "\t",  "über", "ﬁ",     "STRASSE",
                                         "item",   "&amp;", "—",   "€25",  "naïve"};
const std::vector<std::string> groupNames{"Billing", "billing", "Réclamations", "Ungrouped",
                                          "Re pl",   "Thanks",  "Été",          ""};
const std::vector<std::string> fixedQueries{
    "", " ", "\t \u00a0", "ÉTÉ", "ete", "item", "Item 2", "item 10", "re pl", "re", "thank",
    "  Thank", "ungrouped", "billing re", "\u0301 \u0301", "\n", "café", "CAFE", "fi", "ss", "🙂",
    "x x", "10 2",
    // A lone accent at an end is not trimmed, so its space survives folding.
    "\u0301 item", "re \u0301"};

class PickerSearchCacheTest : public PickerSearchTest {
protected:
    std::mt19937_64 rng{20240611};
    SearchCache cache;

    std::size_t below(std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(rng);
    }
    bool chance(double probability) {
        return std::uniform_real_distribution<double>(0.0, 1.0)(rng) < probability;
    }
    template <typename T> const T& anyOf(const std::vector<T>& items) {
        return items[below(items.size())];
    }

    std::string randomName() {
        if (chance(0.05))
            return "";
        std::string name = anyOf(nameWords);
        // Now and then one long enough to be searched in wide steps.
        for (std::size_t words = chance(0.1) ? 12 : below(3); words > 0; --words)
            name += " " + anyOf(nameWords);
        return name;
    }

    std::string randomText(SnippetFormat format) {
        std::string text;
        for (std::size_t lines = 1 + below(3); lines > 0; --lines) {
            std::string line = anyOf(textWords);
            for (std::size_t words = chance(0.1) ? 60 : below(6); words > 0; --words)
                line += " " + anyOf(textWords);
            text += format == SnippetFormat::rich ? "<div>" + line + "</div>" : line + "\n";
        }
        return text;
    }

    std::int64_t randomUses() {
        // Hand-edited files can hold any count; the extremes spread the scores wide. (The
        // top stays clear of the maximum, which a recorded use would overflow.)
        constexpr std::int64_t huge = std::numeric_limits<std::int64_t>::max() - 1000;
        constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
        static const std::vector<std::int64_t> counts{0, 1, 3, 24, 25, 26, 1000, -1, huge, lowest};
        return anyOf(counts);
    }

    std::optional<Uuid> randomGroup() {
        if (library->groups().empty() || chance(0.2))
            return chance(0.1) ? std::optional<Uuid>(Uuid::random()) : std::nullopt;
        return anyOf(library->groups()).id;
    }

    Snippet randomSnippet() { return anyOf(library->snippets()); }

    // Few distinct days, so that equal dates are common.
    std::optional<Date> randomLastUse() {
        if (chance(0.4))
            return std::nullopt;
        return clock.now() - 24h * static_cast<int>(below(4));
    }

    // A query made from what the library holds: a slice of a name, text or group, with
    // its case or accents changed, or several such pieces.
    std::string randomQuery() {
        if (chance(0.3) || library->snippets().empty())
            return anyOf(fixedQueries);
        std::string query;
        for (std::size_t pieces = 1 + below(2); pieces > 0; --pieces) {
            const Snippet snippet = randomSnippet();
            const std::string source = chance(0.5)   ? snippet.name
                                       : chance(0.5) ? snippet.plainPreview()
                                                     : library->groupName(snippet);
            if (source.empty())
                continue;
            const std::size_t start = below(source.size());
            std::string piece = source.substr(start, 1 + below(8));
            if (chance(0.3))
                for (char& c : piece)
                    if (c >= 'a' && c <= 'z')
                        c = static_cast<char>(c - 'a' + 'A');
            query += (query.empty() ? "" : " ") + piece;
        }
        if (chance(0.2))
            query = "  " + query + "\t";
        return query;
    }

    // One random change of the library; returns what it was, for the failure message.
    std::string randomChange() {
        const std::size_t kind = below(16);
        const bool empty = library->snippets().empty();
        if (kind <= 2 || empty) {
            const SnippetFormat format = chance(0.5) ? SnippetFormat::rich : SnippetFormat::plain;
            add(randomName(), {.text = randomText(format),
                               .group = randomGroup(),
                               .uses = randomUses(),
                               .lastUsed = randomLastUse(),
                               .format = format});
            return "add";
        }
        Snippet snippet = randomSnippet();
        switch (kind) {
        case 3:
            snippet.name = chance(0.8) ? randomName() : snippet.name + " 2";
            library->update(snippet);
            return "rename";
        case 4:
            snippet.text = randomText(snippet.format);
            library->update(snippet);
            return "edit text";
        case 5:
            snippet.format =
                snippet.format == SnippetFormat::rich ? SnippetFormat::plain : SnippetFormat::rich;
            library->update(snippet);
            return "change format";
        case 6:
            library->move({snippet.id, randomSnippet().id}, randomGroup());
            return "move";
        case 7:
            if (library->groups().empty() || chance(0.3)) {
                library->addGroup(anyOf(groupNames));
                return "add group";
            }
            library->renameGroup(anyOf(library->groups()).id, anyOf(groupNames));
            return "rename group";
        case 8:
            if (library->groups().empty())
                return "nothing";
            library->deleteGroup(anyOf(library->groups()).id);
            return "delete group";
        case 9:
            library->deleteSnippets({snippet.id, randomSnippet().id});
            return "delete";
        case 10:
            library->undoDeletion();
            return "undo";
        case 11:
            if (chance(0.5))
                clock.advance(1h);
            library->recordUse(snippet.id);
            return "record use";
        case 12:
            snippet.useCount = randomUses();
            snippet.lastUsed = randomLastUse();
            library->update(snippet);
            return "set uses";
        case 13:
            library->duplicate(snippet.id);
            return "duplicate";
        case 14: {
            // Brings in a snippet under an id the library already has, and a new group.
            Snippet incoming = snippet;
            incoming.name = randomName();
            const SnippetGroup group{.id = Uuid::random(), .name = anyOf(groupNames) + " new"};
            incoming.groupID = group.id;
            library->merge({group}, {incoming});
            return "merge";
        }
        default:
            library->update(snippet); // unchanged: no new revision
            return "no change";
        }
    }

    void expectAgreement(const std::string& query, const std::string& history) {
        const std::vector<const Snippet*>& cached = cache.results(query, *library);
        std::vector<Uuid> cachedIDs;
        const Snippet* const first = library->snippets().data();
        const Snippet* const last = first + library->snippets().size();
        for (const Snippet* snippet : cached) {
            ASSERT_TRUE(snippet >= first && snippet < last) << "not in the library";
            cachedIDs.push_back(snippet->id);
        }
        ASSERT_EQ(cachedIDs, foundIDs(query)) << "query \"" << query << "\" after: " << history;
    }
};

TEST_F(PickerSearchCacheTest, agreesWithTheSearchThroughAnyChange) {
    std::string history;
    for (int step = 0; step < 400; ++step) {
        const std::string change = randomChange();
        history += change + "; ";
        for (int i = 0; i < 5; ++i) {
            const std::string query = randomQuery();
            // Typed a letter at a time, each query adding to the one before.
            if (chance(0.2)) {
                for (std::size_t length = 1; length < query.size(); ++length)
                    ASSERT_NO_FATAL_FAILURE(expectAgreement(query.substr(0, length), history));
            }
            ASSERT_NO_FATAL_FAILURE(expectAgreement(query, history));
            // Asked again with nothing changed: the remembered answer must still be right.
            if (chance(0.3)) {
                ASSERT_NO_FATAL_FAILURE(expectAgreement(query, history));
            }
        }
        if (chance(0.1)) {
            ASSERT_NO_FATAL_FAILURE(expectAgreement("", history));
        }
        if (chance(0.1))
            cache.releaseTexts();
    }
    EXPECT_GT(library->snippets().size(), 20U);
}

// Over 4 MB of texts: the index is built, and each query searched, by two threads sharing
// the work in pieces.
TEST_F(PickerSearchCacheTest, agreesOnALibraryLargeEnoughToShareOutTheWork) {
    LibraryFile contents;
    contents.groups = {{.name = "Billing"}, {.name = "Réclamations"}};
    while (contents.snippets.size() < 9000) {
        std::string text;
        while (text.size() < 500)
            text += anyOf(textWords) + " ";
        contents.snippets.push_back(
            {.name = randomName(),
             .format = chance(0.5) ? SnippetFormat::rich : SnippetFormat::plain,
             .text = text,
             .groupID = anyOf(contents.groups).id,
             .useCount = randomUses()});
    }
    library = std::make_unique<Library>(
        LibraryEnvironment{clock, scheduler, log, data.path(), &watcher}, std::move(contents));
    std::string history = "9000 snippets";
    for (int step = 0; step < 6; ++step) {
        const std::string query = randomQuery();
        for (std::size_t length = 1; length <= query.size(); ++length)
            ASSERT_NO_FATAL_FAILURE(expectAgreement(query.substr(0, length), history));
        const std::string change = randomChange();
        history += "; " + change;
    }
}

// Two texts of 16 bytes that libstdc++'s std::hash takes for one: its MurmurHash has a
// fixed seed and steps that can be undone, so a second block can make up for a changed
// first one.
std::pair<std::string, std::string> textsOfOneHash() {
    constexpr std::uint64_t mul = 0xc6a4a7935bd1e995ULL;
    std::uint64_t inverse = mul; // each of Newton's steps doubles the bits that are right
    for (int step = 0; step < 5; ++step)
        inverse *= 2 - mul * inverse;
    const auto mix = [](std::uint64_t v) { return v ^ (v >> 47); };
    const auto block = [&](std::uint64_t v) { return mix(v * mul) * mul; };
    const auto word = [](const std::string& bytes, std::size_t at) {
        std::uint64_t v = 0;
        std::memcpy(&v, bytes.data() + at, sizeof v);
        return v;
    };
    const std::uint64_t start = 0xc70f6907ULL ^ (16 * mul);
    const std::string first = "apple   and more";
    std::string second = "melon   ";
    const std::uint64_t wanted = block(word(first, 8)) ^ (start ^ block(word(first, 0))) * mul ^
                                 (start ^ block(word(second, 0))) * mul;
    const std::uint64_t tail = mix(wanted * inverse) * inverse;
    second.append(reinterpret_cast<const char*>(&tail), sizeof tail);
    return {first, second};
}

TEST_F(PickerSearchCacheTest, seesATextChangeThatKeepsTheHash) {
    const auto [before, after] = textsOfOneHash();
    if (std::hash<std::string_view>{}(before) != std::hash<std::string_view>{}(after))
        GTEST_SKIP() << "this standard library hashes otherwise";
    Snippet snippet = add("Fruit", {.text = before});
    ASSERT_EQ(cache.results("apple", *library).size(), 1U);
    snippet.text = after;
    library->update(snippet);
    EXPECT_THAT(cache.results("apple", *library), IsEmpty());
    EXPECT_EQ(cache.results("melon", *library).size(), 1U);
}

TEST_F(PickerSearchCacheTest, foldsTheTextsOnlyForAQueryLetsThemGoAndFollowsTheLibraryItIsGiven) {
    add("Greeting", {.text = "Dear customer, thank you"});
    add("Closing", {.text = "Kind regards"});
    EXPECT_EQ(cache.results("", *library).size(), 2U);
    EXPECT_FALSE(cache.holdsTexts());
    const std::size_t blank = cache.heldBytes();

    ASSERT_EQ(cache.results("thank", *library).size(), 1U);
    EXPECT_TRUE(cache.holdsTexts());
    cache.releaseTexts();
    EXPECT_FALSE(cache.holdsTexts());
    EXPECT_LE(cache.heldBytes(), blank);
    // The remembered answer went with the texts; the same query folds them again.
    ASSERT_EQ(cache.results("thank", *library).size(), 1U);
    EXPECT_EQ(cache.results("thank", *library)[0]->name, "Greeting");

    // It answers for the library it is given.
    add("Shared name");
    add("Only here");
    const std::unique_ptr<Library> other = open(false);
    Snippet elsewhere = other->addSnippet(std::nullopt);
    elsewhere.name = "Shared name";
    other->update(elsewhere);

    EXPECT_EQ(cache.results("shared", *library).size(), 1U);
    ASSERT_EQ(cache.results("shared", *other).size(), 1U);
    EXPECT_EQ(cache.results("shared", *other)[0]->id, elsewhere.id);
    EXPECT_THAT(cache.results("only", *other), IsEmpty());
    EXPECT_EQ(cache.results("only", *library).size(), 1U);
}

} // namespace
} // namespace quillo
