#include "LibraryGenerator.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <unordered_set>

namespace quillo::bench {

namespace {

using Rng = std::mt19937_64;
using namespace std::chrono;

constexpr std::array<std::string_view, generatedGroupCount> groupNames{
    "Billing",
    "Refunds",
    "Shipping",
    "Returns",
    "Account",
    "Passwords",
    "Onboarding",
    "Greetings",
    "Closings",
    "Escalations",
    "Technical Support",
    "Bug Reports",
    "Feature Requests",
    "Sales",
    "Pricing",
    "Discounts",
    "Invoices",
    "Subscriptions",
    "Cancellations",
    "Warranty",
    "Delivery Delays",
    "Damaged Items",
    "Exchanges",
    "Gift Cards",
    "Loyalty Program",
    "Partnerships",
    "Press",
    "Legal",
    "Privacy",
    "Security",
    "Outages",
    "Maintenance",
    "Feedback",
    "Surveys",
    "Apologies",
    "Follow-ups",
    "Internal Notes",
    "Holidays",
    "Réclamations",
    "Wholesale",
};

constexpr std::array<std::string_view, 48> nameWords{
    "refund",   "request",  "follow-up",  "shipping",  "delay",   "welcome",  "reply",
    "invoice",  "apology",  "password",   "reset",     "thanks",  "order",    "status",
    "template", "closing",  "greeting",   "missing",   "item",    "tracking", "number",
    "account",  "locked",   "upgrade",    "downgrade", "trial",   "expired",  "coupon",
    "code",     "partial",  "full",       "damaged",   "parcel",  "address",  "change",
    "billing",  "question", "renewal",    "reminder",  "holiday", "hours",    "survey",
    "escalate", "bug",      "workaround", "warranty",  "claim",   "exchange",
};

constexpr std::array<std::string_view, 10> accentedNameWords{
    "café", "Müller", "señor", "déjà-vu", "Größe", "Übergabe", "crème", "Zoë", "naïve", "🙂",
};

constexpr std::array<std::string_view, 96> bodyWords{
    "thank",    "you",     "for",        "your",      "order",      "we",           "have",
    "received", "the",     "request",    "and",       "will",       "get",          "back",
    "to",       "within",  "two",        "business",  "days",       "please",       "note",
    "that",     "refund",  "may",        "take",      "a",          "few",          "more",
    "appear",   "on",      "statement",  "our",       "team",       "is",           "looking",
    "into",     "this",    "issue",      "right",     "now",        "if",           "anything",
    "else",     "comes",   "up",         "just",      "reply",      "email",        "tracking",
    "link",     "shows",   "parcel",     "left",      "warehouse",  "yesterday",    "courier",
    "should",   "deliver", "it",         "by",        "Friday",     "apologise",    "delay",
    "caused",   "an",      "unexpected", "outage",    "in",         "billing",      "system",
    "account",  "has",     "been",       "updated",   "new",        "password",     "must",
    "contain",  "at",      "least",      "twelve",    "characters", "subscription", "renews",
    "every",    "month",   "unless",     "cancelled", "before",     "date",         "warranty",
    "covers",   "parts",   "labour",     "invoice",   "attached",
};

constexpr std::array<std::string_view, 14> accentedBodyWords{
    "café",   "über", "naïve", "résumé", "“thanks”", "façade", "Grüße",
    "señora", "🙂", "📦",     "✅",      "—",        "€25",    "déjà vu",
};

constexpr std::array<std::string_view, 6> placeholders{
    "{{field:Customer name}}", "{{field:Order|12345}}",     "{{date}}",
    "{{clipboard}}",           "{{field:Tracking number}}", "{{field:Agent|Sam}}",
};

constexpr std::array<std::string_view, 7> linkPaths{
    "help/refunds",        "orders/track",         "account/reset-password",  "pricing",
    "legal/terms?lang=en", "support/contact#chat", "blog/2024/holiday-hours",
};

constexpr std::array<std::string_view, 8> greetings{
    "Hi {{field:Customer name}},",
    "Hello,",
    "Hi there,",
    "Dear customer,",
    "Good morning,",
    "Hey!",
    "Hello {{field:Customer name}},",
    "Bonjour,",
};

constexpr std::array<std::string_view, 6> signOffs{
    "Best regards,", "Kind regards,", "Thanks,", "Cheers,", "All the best,", "Viele Grüße,",
};

std::size_t pick(Rng& rng, std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(rng);
}

template <typename T, std::size_t N>
std::string_view pickFrom(Rng& rng, const std::array<T, N>& items) {
    return items[pick(rng, N)];
}

std::size_t between(Rng& rng, std::size_t low, std::size_t high) {
    return std::uniform_int_distribution<std::size_t>(low, high)(rng);
}

bool chance(Rng& rng, double probability) {
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng) < probability;
}

// Random bits shaped as a version 4 UUID: repeatable for a seed, unlike Uuid::random().
Uuid makeId(Rng& rng) {
    std::uint64_t high = rng();
    std::uint64_t low = rng();
    high = (high & ~std::uint64_t{0xF000}) | 0x4000;
    low = (low & ~(std::uint64_t{0xC} << 60)) | (std::uint64_t{0x8} << 60);
    char text[37];
    std::snprintf(text, sizeof text, "%08llX-%04llX-%04llX-%04llX-%012llX",
                  static_cast<unsigned long long>(high >> 32),
                  static_cast<unsigned long long>((high >> 16) & 0xFFFF),
                  static_cast<unsigned long long>(high & 0xFFFF),
                  static_cast<unsigned long long>(low >> 48),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
    return *Uuid::parse(std::string_view(text, 36));
}

Uuid uniqueId(Rng& rng, std::unordered_set<Uuid>& taken) {
    for (;;) {
        const Uuid id = makeId(rng);
        if (taken.insert(id).second)
            return id;
    }
}

void capitalise(std::string& word) {
    if (!word.empty() && word.front() >= 'a' && word.front() <= 'z')
        word.front() = static_cast<char>(word.front() - 'a' + 'A');
}

std::string join(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty())
            line += ' ';
        line += word;
    }
    return line;
}

std::string snippetName(Rng& rng, bool accented) {
    std::vector<std::string> words;
    const std::size_t count = between(rng, 2, 5);
    for (std::size_t i = 0; i < count; ++i)
        words.emplace_back(accented && chance(rng, 0.3) ? pickFrom(rng, accentedNameWords)
                                                        : pickFrom(rng, nameWords));
    capitalise(words.front());
    return join(words);
}

// One sentence as words, so placeholders can go between any two of them later.
std::vector<std::string> sentence(Rng& rng, bool accented, bool rich) {
    std::vector<std::string> words;
    const std::size_t count = between(rng, 5, 14);
    for (std::size_t i = 0; i < count; ++i) {
        if (accented && chance(rng, 0.12))
            words.emplace_back(pickFrom(rng, accentedBodyWords));
        else if (chance(rng, 0.02))
            words.emplace_back(rich ? "&amp;" : "&");
        else
            words.emplace_back(pickFrom(rng, bodyWords));
    }
    capitalise(words.front());
    words.back() += chance(rng, 0.8) ? "." : (chance(rng, 0.5) ? "?" : "!");

    if (!rich)
        return words;
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string& word = words[i];
        const double roll = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
        if (roll < 0.04)
            word = "<b>" + word + "</b>";
        else if (roll < 0.07)
            word = "<i>" + word + "</i>";
        else if (roll < 0.09)
            word = "<u>" + word + "</u>";
        else if (roll < 0.11)
            word = "<span style=\"color: #c0392b\">" + word + "</span>";
        else if (roll < 0.125 && i + 1 < words.size()) {
            // Links usually cover a couple of words.
            word = "<a href=\"https://example.com/" + std::string(pickFrom(rng, linkPaths)) +
                   "\">" + word + " " + words[i + 1] + "</a>";
            words.erase(words.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        }
    }
    return words;
}

std::string snippetText(Rng& rng, bool rich, bool accented) {
    std::vector<std::vector<std::string>> lines;
    const std::size_t count = between(rng, 3, 8);
    const bool letter = chance(rng, 0.5);
    for (std::size_t i = 0; i < count; ++i) {
        if (letter && i == 0)
            lines.push_back({std::string(pickFrom(rng, greetings))});
        else if (letter && i + 1 == count)
            lines.push_back({std::string(pickFrom(rng, signOffs))});
        else {
            std::vector<std::string> line = sentence(rng, accented, rich);
            if (chance(rng, 0.3)) {
                std::vector<std::string> more = sentence(rng, accented, rich);
                line.insert(line.end(), more.begin(), more.end());
            }
            lines.push_back(std::move(line));
        }
    }

    if (chance(rng, 0.35)) {
        const std::size_t placeholderCount = between(rng, 1, 3);
        for (std::size_t i = 0; i < placeholderCount; ++i) {
            std::vector<std::string>& line = lines[pick(rng, lines.size())];
            line.insert(line.begin() + static_cast<std::ptrdiff_t>(pick(rng, line.size() + 1)),
                        std::string(pickFrom(rng, placeholders)));
        }
    }

    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (rich) {
            text += "<div>" + join(lines[i]) + "</div>";
            if (i + 1 < lines.size() && chance(rng, 0.2))
                text += "<div><br></div>";
        } else {
            if (i > 0)
                text += chance(rng, 0.25) ? "\n\n" : "\n";
            text += join(lines[i]);
        }
    }
    return text;
}

// Most snippets are never used; a few are used hundreds of times.
std::int64_t useCount(Rng& rng) {
    if (chance(rng, 0.5))
        return 0;
    const double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
    return static_cast<std::int64_t>(std::lround(std::exp(std::log(900.0) * u * u)));
}

Date secondsBefore(sys_seconds end, std::int64_t before) {
    return end - seconds{before};
}

} // namespace

GeneratedLibrary generateLibrary(std::size_t snippetCount, std::uint64_t seed, Date now) {
    Rng rng(seed);
    std::unordered_set<Uuid> taken;
    taken.reserve(snippetCount + generatedGroupCount);
    GeneratedLibrary library;

    library.groups.reserve(generatedGroupCount);
    for (const std::string_view name : groupNames)
        library.groups.push_back({.id = uniqueId(rng, taken), .name = std::string(name)});

    // Some groups are far fuller than others.
    std::vector<double> weights;
    for (std::size_t i = 0; i < generatedGroupCount; ++i)
        weights.push_back(1.0 / static_cast<double>(i + 3));
    std::discrete_distribution<std::size_t> groupChoice(weights.begin(), weights.end());

    const sys_seconds end = floor<seconds>(now);
    constexpr std::int64_t threeYears = std::int64_t{3} * 365 * 24 * 60 * 60;

    library.snippets.reserve(snippetCount);
    for (std::size_t i = 0; i < snippetCount; ++i) {
        const bool rich = chance(rng, 0.85);
        const bool accented = chance(rng, 0.15);
        const Uuid id = uniqueId(rng, taken);
        std::string name = snippetName(rng, accented);
        std::string text = snippetText(rng, rich, accented);
        const std::optional<Uuid> groupID =
            chance(rng, 0.1) ? std::nullopt
                             : std::optional<Uuid>(library.groups[groupChoice(rng)].id);

        const auto age = std::uniform_int_distribution<std::int64_t>(0, threeYears)(rng);
        const Date created = secondsBefore(end, age);
        const Date modified =
            chance(rng, 0.4)
                ? created
                : secondsBefore(end, std::uniform_int_distribution<std::int64_t>(0, age)(rng));
        const std::int64_t uses = useCount(rng);
        std::optional<Date> lastUsed;
        if (uses > 0) {
            // Recent use is likelier than old use.
            const double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
            lastUsed =
                secondsBefore(end, static_cast<std::int64_t>(static_cast<double>(age) * u * u));
        }

        library.snippets.push_back(Snippet{
            .id = id,
            .name = std::move(name),
            .format = rich ? SnippetFormat::rich : SnippetFormat::plain,
            .text = std::move(text),
            .groupID = groupID,
            .created = created,
            .modified = modified,
            .lastUsed = lastUsed,
            .useCount = uses,
        });
    }
    return library;
}

GeneratedLibrary generateLibrary(std::size_t snippetCount, std::uint64_t seed) {
    return generateLibrary(snippetCount, seed, floor<days>(system_clock::now()));
}

} // namespace quillo::bench
