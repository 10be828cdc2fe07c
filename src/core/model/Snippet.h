#pragma once

#include "core/platform/Clock.h"
#include "core/util/Uuid.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

/// How a snippet's text is read: an HTML fragment, or plain text pasted as it is.
enum class SnippetFormat { rich, plain };

/// Every format, in the order a choice offers them.
inline constexpr std::array<SnippetFormat, 2> allSnippetFormats{SnippetFormat::rich,
                                                                SnippetFormat::plain};

/// "rich" or "plain": the stored form.
std::string_view rawValue(SnippetFormat format);
/// The format whose stored form is `raw`; absent for any other text.
std::optional<SnippetFormat> snippetFormat(std::string_view raw);

/// One reusable text of the library.
struct Snippet {
    Uuid id = Uuid::random();
    std::string name{};
    SnippetFormat format = SnippetFormat::rich;
    /// HTML for rich snippets, plain text for plain ones; may hold placeholders.
    std::string text{};
    /// The group it belongs to; absent means "Ungrouped".
    std::optional<Uuid> groupID{};
    Date created = SystemClock().now();
    Date modified = SystemClock().now();
    std::optional<Date> lastUsed{};
    std::int64_t useCount = 0;
    /// Numbers that stand for the name and the text byte for byte, so that a cache can tell
    /// a change without keeping either: snippets with the same `nameStamp` have the same
    /// name, and likewise for the text. A new snippet draws fresh ones and a copy keeps
    /// them; the library restamps what it stores. Not part of equality, hashing or the file.
    std::uint64_t nameStamp = freshStamp();
    std::uint64_t textStamp = freshStamp();

    /// A stamp no snippet of this process has had.
    static std::uint64_t freshStamp();
    /// Takes the stamps of `before` (null: none) for a name or text of the same bytes, and
    /// fresh ones for the others: what a copy needs once it may have been changed.
    void restamp(const Snippet* before);

    /// The text as plain text, for previews and search: a plain snippet's text as it is, a
    /// rich snippet's text without its markup. Placeholders stay as written.
    std::string plainPreview() const;

    /// All nine fields but the stamps equal; names and texts compare as Unicode text, so
    /// canonically equivalent spellings are equal and letter case matters.
    friend bool operator==(const Snippet& a, const Snippet& b);
};

/// A named group of snippets. Names need not be unique.
struct SnippetGroup {
    Uuid id = Uuid::random();
    std::string name{};

    friend bool operator==(const SnippetGroup& a, const SnippetGroup& b);
};

} // namespace quillo

template <> struct std::hash<quillo::Snippet> {
    std::size_t operator()(const quillo::Snippet& snippet) const;
};

template <> struct std::hash<quillo::SnippetGroup> {
    std::size_t operator()(const quillo::SnippetGroup& group) const;
};
