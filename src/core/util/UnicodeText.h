#pragma once

#include <string>
#include <string_view>
#include <unicode/unistr.h>

namespace quillo {

/// UTF-8 in and out of ICU's UTF-16 strings. Ill-formed UTF-8 reads as U+FFFD.
icu::UnicodeString toUnicode(std::string_view text);
std::string toUtf8(const icu::UnicodeString& text);

/// Comparisons of UTF-8 text as Unicode text rather than as bytes.
namespace UnicodeText {

/// The text in normalisation form C. Canonically equivalent texts (a precomposed "é"
/// and "e" plus a combining acute) give the same bytes; letter case is kept.
std::string canonical(std::string_view text);

/// True when the two texts are canonically equivalent (letter case matters).
bool canonicallyEqual(std::string_view a, std::string_view b);

/// A key equal for texts that differ only in letter case or in canonically
/// equivalent spelling ("Work", "WORK", "work" give one key).
std::string caselessKey(std::string_view text);

/// The text without Unicode white space (line breaks included) at either end.
icu::UnicodeString trimmedWhiteSpace(const icu::UnicodeString& text);

/// The text without tabs and space separators (not line breaks) at either end, as the part
/// of `text` between them; ill-formed bytes count as text.
std::string_view trimmedBlanks(std::string_view text);

/// The UTF-8 text without Unicode white space (line breaks included) at either end, as the
/// part of `text` between them; ill-formed bytes count as text.
std::string_view trimmedWhiteSpace(std::string_view text);

/// The text with every ill-formed UTF-8 sequence replaced by U+FFFD.
std::string repairedUtf8(std::string_view text);

} // namespace UnicodeText

} // namespace quillo
