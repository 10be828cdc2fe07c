#pragma once

#include "NameOrder.h"
#include "SidebarItem.h"
#include "core/model/Library.h"
#include "core/picker/PickerSearch.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

/// The snippets the library window lists for a sidebar choice and a search text:
/// - with a search (any text, spaces included): the picker's ranking of the whole library,
///   keeping only the snippets the sidebar item holds;
/// - under Recently Used without a search: the 30 most recently used, newest first;
/// - otherwise the sidebar's snippets by name.
/// Remembers its last answer and what it was built from, so asking again costs nothing
/// until the library, the sidebar or the search changes. One listing follows one library.
class SnippetListing {
public:
    /// How many snippets Recently Used lists when nothing is searched.
    static constexpr std::size_t recentLimit = 30;

    /// Pointers into `library.snippets()`, good until the library changes or the next
    /// call. An absent sidebar item counts as All Snippets.
    const std::vector<const Snippet*>& visibleSnippets(const Library& library,
                                                       const std::optional<SidebarItem>& sidebar,
                                                       std::string_view search);

private:
    void listSearch(const Library& library, const SidebarItem& item, std::string_view search);
    void listRecent(const Library& library);
    void listByName(const Library& library, const SidebarItem& item);

    SearchCache search_;
    NameOrder names_;
    std::vector<const Snippet*> result_;

    bool answered_ = false;
    const Library* library_ = nullptr;
    std::uint64_t revision_ = 0;
    const Snippet* snippetData_ = nullptr;
    SidebarItem sidebar_;
    std::string query_;
};

} // namespace quillo
