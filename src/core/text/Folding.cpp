#include "Folding.h"

#include "IcuRegex.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace quillo {

namespace {

const icu::Normalizer2& nfd() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* form = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status) || form == nullptr)
        std::abort(); // the data is built into ICU
    return *form;
}

const icu::Normalizer2& nfc() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* form = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status) || form == nullptr)
        std::abort();
    return *form;
}

bool isAscii(char c) {
    return static_cast<unsigned char>(c) < 0x80;
}

// The place of the first byte from `at` on that is not ASCII, or the text's size. Eight
// bytes are tested at once: search folds every snippet's text, and most of it is ASCII.
std::size_t firstOther(std::string_view text, std::size_t at) {
    constexpr std::uint64_t highBits = 0x8080808080808080;
    while (text.size() - at >= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + at, 8);
        if ((word & highBits) != 0)
            break;
        at += 8;
    }
    while (at < text.size() && isAscii(text[at]))
        ++at;
    return at;
}

// ASCII has no marks, folds to its lowercase and is already normalised.
void appendAsciiFolded(std::string& out, std::string_view text) {
    const std::size_t at = out.size();
    out.append(text);
    for (char& c : std::span(out).subspan(at)) {
        const auto byte = static_cast<unsigned char>(c);
        c = static_cast<char>(byte + (static_cast<unsigned char>(byte - 'A') < 26 ? 32 : 0));
    }
}

// Decomposed, without its marks, case folded: the folding before its last step.
icu::UnicodeString unmarkedFolded(const icu::UnicodeString& text, UErrorCode& status) {
    const icu::UnicodeString decomposed = nfd().normalize(text, status);
    icu::UnicodeString unmarked(decomposed.length(), 0, 0); // empty, with room
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK)
            unmarked.append(c);
        i += U16_LENGTH(c);
    }
    unmarked.foldCase(U_FOLD_CASE_DEFAULT);
    return unmarked;
}

void appendFoldedByIcu(std::string& out, std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString unmarked = unmarkedFolded(toUnicode(text), status);
    const icu::UnicodeString composed = nfc().normalize(unmarked, status);
    (U_SUCCESS(status) ? composed : unmarked).toUTF8String(out);
}

// The foldings of single characters below U+3000 (Latin, Greek, Cyrillic, punctuation,
// symbols...), found as they are met. A character is folded alone when nothing before it
// takes part in its decomposition, nor in the composition of what it folds to: its
// folding among any such characters and ASCII is then the folding of each in turn. An
// entry holds up to six UTF-8 bytes, their count at bit 48, and two flags.
constexpr UChar32 tabledEnd = 0x3000;
constexpr std::uint64_t lookedAt = std::uint64_t{1} << 63;
constexpr std::uint64_t foldsAlone = std::uint64_t{1} << 62;
std::array<std::atomic<std::uint64_t>, tabledEnd> foldings{};

std::uint64_t foldingOf(UChar32 c) {
    if (!nfd().hasBoundaryBefore(c))
        return lookedAt;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString unmarked = unmarkedFolded(icu::UnicodeString(c), status);
    if (U_FAILURE(status) || unmarked.isEmpty() || !nfc().hasBoundaryBefore(unmarked.char32At(0)))
        return lookedAt;
    const icu::UnicodeString composed = nfc().normalize(unmarked, status);
    std::string bytes;
    composed.toUTF8String(bytes);
    if (U_FAILURE(status) || bytes.empty() || bytes.size() > 6)
        return lookedAt;
    std::uint64_t entry = lookedAt | foldsAlone | std::uint64_t{bytes.size()} << 48;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        entry |= std::uint64_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
    return entry;
}

// False, with `out` as it was, when a character of the text is not one folded alone.
bool appendFoldedByCharacter(std::string& out, std::string_view text) {
    const std::size_t was = out.size();
    const auto* data = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int64_t>(text.size());
    for (int64_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(data, i, length, c);
        if (c >= 0 && c < 0x80) {
            out += static_cast<char>(c + (c >= 'A' && c <= 'Z' ? 'a' - 'A' : 0));
            continue;
        }
        if (c < 0 || c >= tabledEnd) {
            out.resize(was);
            return false;
        }
        std::atomic<std::uint64_t>& slot = foldings[static_cast<std::size_t>(c)];
        std::uint64_t entry = slot.load(std::memory_order_relaxed);
        if (entry == 0) {
            // Threads that meet the character at once find the same entry.
            entry = foldingOf(c);
            slot.store(entry, std::memory_order_relaxed);
        }
        if ((entry & foldsAlone) == 0) {
            out.resize(was);
            return false;
        }
        const auto count = static_cast<std::size_t>((entry >> 48) & 0xFF);
        for (std::size_t b = 0; b < count; ++b)
            out += static_cast<char>((entry >> (8 * b)) & 0xFF);
    }
    return true;
}

} // namespace

void appendFolded(std::string& out, std::string_view text) {
    // Search folds every snippet's text, and most of it is ASCII. The text goes to ICU
    // only around its other characters, cut between two ASCII characters: nothing there
    // decomposes, composes or reads as part of a malformed sequence, so folding the
    // pieces gives the folding of the whole.
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t other = firstOther(text, at);
        if (other == text.size()) {
            appendAsciiFolded(out, text.substr(at));
            return;
        }
        const std::size_t start = other > at ? other - 1 : at;
        appendAsciiFolded(out, text.substr(at, start - at));
        std::size_t end = other + 1;
        while (end < text.size() && !(isAscii(text[end - 1]) && isAscii(text[end])))
            ++end;
        const std::string_view piece = text.substr(start, end - start);
        if (!appendFoldedByCharacter(out, piece))
            appendFoldedByIcu(out, piece);
        at = end;
    }
}

std::string fold(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    appendFolded(result, text);
    return result;
}

} // namespace quillo
