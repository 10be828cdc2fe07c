#pragma once

#include "core/model/Library.h"
#include "core/text/NaturalOrder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillo {

/// The library's snippets sorted by name as people sort names (numbers by value, letter
/// case ignored, the user's locale), library order between equal names. Keeps each
/// name's sort key between calls, so an edit costs one key and a change that renames
/// nothing costs no sort at all. One order follows one library object.
class NameOrder {
public:
    /// Positions in `library.snippets()`, in name order. Good until the next call.
    const std::vector<std::uint32_t>& positions(const Library& library);

private:
    struct Entry {
        Uuid id;
        std::string name;
        std::string key;
    };

    bool describes(const Library& library) const;
    /// True when any name or position changed.
    bool refreshEntries(const Library& library);

    NaturalLess less_;
    std::vector<Entry> entries_; // in library order, as last seen
    std::vector<std::uint32_t> order_;

    const Library* library_ = nullptr;
    std::uint64_t revision_ = 0;
    const Snippet* snippetData_ = nullptr;
    std::size_t snippetCount_ = 0;
};

} // namespace quillo
