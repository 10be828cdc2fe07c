#include "UnicodeText.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace quillo {

icu::UnicodeString toUnicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string toUtf8(const icu::UnicodeString& text) {
    std::string result;
    text.toUTF8String(result);
    return result;
}

namespace UnicodeText {

namespace {

// Tabs and the space separators; line breaks are not trimmed.
bool isTrimmedSpace(UChar32 c) {
    return c == 0x09 || u_charType(c) == U_SPACE_SEPARATOR;
}

// The part of UTF-8 `text` between the characters `isSpace` takes at either end.
template <class IsSpace> std::string_view trimmedUtf8(std::string_view text, IsSpace isSpace) {
    if (text.size() > static_cast<std::size_t>(INT32_MAX))
        return text; // no one types that much; ICU's offsets are 32-bit
    const auto* data = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 c = 0;
        U8_NEXT(data, next, length, c);
        if (c < 0 || !isSpace(c))
            break;
        start = next;
    }
    int32_t end = length;
    while (end > start) {
        // Back to the lead byte of the last character, then read it forwards.
        int32_t last = end - 1;
        while (last > start && end - last < 4 && U8_IS_TRAIL(data[last]))
            --last;
        int32_t next = last;
        UChar32 c = 0;
        U8_NEXT(data, next, end, c);
        if (next != end || c < 0 || !isSpace(c))
            break;
        end = last;
    }
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

const icu::Normalizer2& normalizer(bool decompose) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* form = decompose ? icu::Normalizer2::getNFDInstance(status)
                                             : icu::Normalizer2::getNFCInstance(status);
    // ICU's built-in normalisation data is part of the library itself.
    if (U_FAILURE(status) || form == nullptr)
        std::abort();
    return *form;
}

icu::UnicodeString normalized(const icu::UnicodeString& text, bool decompose) {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString result = normalizer(decompose).normalize(text, status);
    return U_SUCCESS(status) ? result : text;
}

} // namespace

std::string canonical(std::string_view text) {
    // Pure ASCII is already in every normalisation form: the common case costs one scan.
    if (isAscii(text))
        return std::string(text);
    return toUtf8(normalized(toUnicode(text), false));
}

bool canonicallyEqual(std::string_view a, std::string_view b) {
    if (a == b)
        return true;
    if (isAscii(a) && isAscii(b))
        return false;
    return canonical(a) == canonical(b);
}

std::string caselessKey(std::string_view text) {
    // Canonical caseless matching: NFD(fold(NFD(text))).
    icu::UnicodeString folded = normalized(toUnicode(text), true);
    folded.foldCase(U_FOLD_CASE_DEFAULT);
    return toUtf8(normalized(folded, true));
}

std::string_view trimmedBlanks(std::string_view text) {
    return trimmedUtf8(text, isTrimmedSpace);
}

std::string_view trimmedWhiteSpace(std::string_view text) {
    return trimmedUtf8(text, [](UChar32 c) { return u_isUWhiteSpace(c) != 0; });
}

icu::UnicodeString trimmedWhiteSpace(const icu::UnicodeString& text) {
    int32_t start = 0;
    int32_t end = text.length();
    while (start < end && u_isUWhiteSpace(text.char32At(start)))
        start = text.moveIndex32(start, 1);
    while (end > start && u_isUWhiteSpace(text.char32At(text.moveIndex32(end, -1))))
        end = text.moveIndex32(end, -1);
    return icu::UnicodeString(text, start, end - start);
}

std::string repairedUtf8(std::string_view text) {
    // ICU's UTF-8 reader substitutes U+FFFD for each ill-formed sequence.
    return toUtf8(toUnicode(text));
}

} // namespace UnicodeText

} // namespace quillo
