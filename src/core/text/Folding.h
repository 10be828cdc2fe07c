#pragma once

#include <string>
#include <string_view>

namespace quillo {

/// A key for comparing texts while ignoring letter case and accents, the same in every
/// locale: "ÉTÉ" and "ete" give one key, and so do "Straße" and "STRASSE". Search compares
/// these keys.
std::string fold(std::string_view text);

/// `fold(text)` added to the end of `out`.
void appendFolded(std::string& out, std::string_view text);

} // namespace quillo
