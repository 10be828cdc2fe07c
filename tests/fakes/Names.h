#pragma once

#include <string>
#include <type_traits>
#include <vector>

namespace quillo::testing {

/// The names of the snippets or groups, or of those pointed to, in order.
template <typename Range> std::vector<std::string> namesOf(const Range& items) {
    std::vector<std::string> names;
    for (const auto& item : items) {
        if constexpr (std::is_pointer_v<std::remove_cvref_t<decltype(item)>>)
            names.push_back(item->name);
        else
            names.push_back(item.name);
    }
    return names;
}

} // namespace quillo::testing
