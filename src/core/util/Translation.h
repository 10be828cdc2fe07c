#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

/// Marks an English text for the catalog where it stands in a table; `i18n` translates it
/// where it is shown.
#define I18N_NOOP(text) text

namespace quillo {

/// The user's language's form of an English text, from Quillo's catalog; the English itself
/// where there is none.
std::string i18n(const char* english);

/// The form of a text with a count that the user's language takes for `count`, with
/// "{count}" in it filled: i18np("Imported {count} snippet.", "Imported {count} snippets.", n).
std::string i18np(const char* singular, const char* plural, unsigned long count);

/// A text with its named placeholders filled: fill(i18n("Deleted “{name}”."), {{"name", n}}).
/// Sentences keep their parts by name, so that a translator can put them in any order. What
/// is filled in is never read for placeholders itself.
std::string fill(std::string_view text,
                 std::initializer_list<std::pair<std::string_view, std::string_view>> values);

namespace Translation {

/// Reads Quillo's catalogs from `catalogs` (catalogs/LANG/LC_MESSAGES/quillo.mo), in the
/// language the environment asks for (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
void setUp(const std::filesystem::path& catalogs);

} // namespace Translation

} // namespace quillo
