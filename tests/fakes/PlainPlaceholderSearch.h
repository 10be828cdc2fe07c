#pragma once

#include "core/text/IcuRegex.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace quillo::testing {

/// Every placeholder a plain left-to-right regular expression search finds, as (start,
/// length) in UTF-16 units: quadratic on hostile input, but exact, so the program's own
/// linear scan is checked against it.
inline std::vector<std::pair<int32_t, int32_t>>
plainPlaceholderSearch(const icu::UnicodeString& source) {
    static const Regex pattern(R"(\{\{\s*([A-Za-z]+)\s*(?::([^}|]*))?(?:\|([^}]*))?\}\})");
    const auto m = pattern.matcher(source);
    UErrorCode status = U_ZERO_ERROR;
    std::vector<std::pair<int32_t, int32_t>> result;
    while (m->find(status))
        result.emplace_back(m->start(status), m->end(status) - m->start(status));
    return result;
}

} // namespace quillo::testing
