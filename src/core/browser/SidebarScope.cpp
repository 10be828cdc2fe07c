#include "SidebarScope.h"

namespace quillo {

namespace {

std::unordered_set<Uuid> groupIDs(const Library& library) {
    std::unordered_set<Uuid> ids;
    ids.reserve(library.groups().size());
    for (const SnippetGroup& group : library.groups())
        ids.insert(group.id);
    return ids;
}

} // namespace

SidebarScope::SidebarScope(const Library& library, const SidebarItem& item) : item_(item) {
    if (item.kind == SidebarItem::Kind::ungrouped)
        groups_ = groupIDs(library);
}

bool SidebarScope::contains(const Snippet& snippet) const {
    switch (item_.kind) {
    case SidebarItem::Kind::all:
        return true;
    case SidebarItem::Kind::recent:
        return snippet.lastUsed.has_value();
    case SidebarItem::Kind::ungrouped:
        return !snippet.groupID || !groups_.contains(*snippet.groupID);
    case SidebarItem::Kind::group:
        return snippet.groupID == item_.group;
    }
    return false;
}

std::size_t SidebarCounts::inGroup(const Uuid& group) const {
    const auto found = groups.find(group);
    return found == groups.end() ? 0 : found->second;
}

SidebarCounts countSnippets(const Library& library) {
    const std::unordered_set<Uuid> existing = groupIDs(library);
    SidebarCounts counts;
    counts.all = library.snippets().size();
    for (const Snippet& snippet : library.snippets()) {
        if (snippet.groupID && existing.contains(*snippet.groupID))
            ++counts.groups[*snippet.groupID];
        else
            ++counts.ungrouped;
    }
    return counts;
}

} // namespace quillo
