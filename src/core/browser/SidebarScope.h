#pragma once

#include "SidebarItem.h"
#include "core/model/Library.h"

#include <cstddef>
#include <unordered_map>
#include <unordered_set>

namespace quillo {

/// Which snippets a sidebar item stands for, before any search. A snippet whose group no
/// longer exists counts as ungrouped, as its group line ("Ungrouped") says, so that every
/// snippet can be found under a group row or under Ungrouped.
class SidebarScope {
public:
    SidebarScope(const Library& library, const SidebarItem& item);

    bool contains(const Snippet& snippet) const;

private:
    SidebarItem item_;
    std::unordered_set<Uuid> groups_;
};

/// The numbers the sidebar shows beside its rows.
struct SidebarCounts {
    std::size_t all = 0;
    std::size_t ungrouped = 0;
    std::unordered_map<Uuid, std::size_t> groups{};

    /// The number of snippets in that group (0 for a group without any).
    std::size_t inGroup(const Uuid& group) const;
};

/// Counts the library's snippets, in one pass.
SidebarCounts countSnippets(const Library& library);

} // namespace quillo
