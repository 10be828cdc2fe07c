#include "Snippet.h"

#include "core/text/HTMLText.h"
#include "core/util/UnicodeText.h"

#include <atomic>
#include <functional>

namespace quillo {

std::string_view rawValue(SnippetFormat format) {
    return format == SnippetFormat::plain ? "plain" : "rich";
}

std::optional<SnippetFormat> snippetFormat(std::string_view raw) {
    for (const SnippetFormat format : allSnippetFormats)
        if (raw == rawValue(format))
            return format;
    return std::nullopt;
}

std::uint64_t Snippet::freshStamp() {
    static std::atomic<std::uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

void Snippet::restamp(const Snippet* before) {
    nameStamp = before != nullptr && before->name == name ? before->nameStamp : freshStamp();
    textStamp = before != nullptr && before->text == text ? before->textStamp : freshStamp();
}

std::string Snippet::plainPreview() const {
    return format == SnippetFormat::plain ? text : HTMLText::plainTextFromHTML(text);
}

bool operator==(const Snippet& a, const Snippet& b) {
    return a.id == b.id && a.format == b.format && a.groupID == b.groupID &&
           a.created == b.created && a.modified == b.modified && a.lastUsed == b.lastUsed &&
           a.useCount == b.useCount && UnicodeText::canonicallyEqual(a.name, b.name) &&
           UnicodeText::canonicallyEqual(a.text, b.text);
}

bool operator==(const SnippetGroup& a, const SnippetGroup& b) {
    return a.id == b.id && UnicodeText::canonicallyEqual(a.name, b.name);
}

namespace {

void combine(std::size_t& seed, std::size_t value) {
    seed ^= value + 0x9E3779B97F4A7C15ULL + (seed << 6) + (seed >> 2);
}

std::size_t hashDate(Date date) {
    return std::hash<Date::rep>{}(date.time_since_epoch().count());
}

} // namespace

} // namespace quillo

std::size_t std::hash<quillo::Snippet>::operator()(const quillo::Snippet& s) const {
    using namespace quillo;
    std::size_t seed = std::hash<Uuid>{}(s.id);
    // Canonical forms, so that equal snippets hash alike.
    combine(seed, std::hash<std::string>{}(UnicodeText::canonical(s.name)));
    combine(seed, std::hash<std::string_view>{}(rawValue(s.format)));
    combine(seed, std::hash<std::string>{}(UnicodeText::canonical(s.text)));
    combine(seed, s.groupID ? std::hash<Uuid>{}(*s.groupID) : 0);
    combine(seed, hashDate(s.created));
    combine(seed, hashDate(s.modified));
    combine(seed, s.lastUsed ? hashDate(*s.lastUsed) : 0);
    combine(seed, std::hash<std::int64_t>{}(s.useCount));
    return seed;
}

std::size_t std::hash<quillo::SnippetGroup>::operator()(const quillo::SnippetGroup& g) const {
    using namespace quillo;
    std::size_t seed = std::hash<Uuid>{}(g.id);
    combine(seed, std::hash<std::string>{}(UnicodeText::canonical(g.name)));
    return seed;
}
