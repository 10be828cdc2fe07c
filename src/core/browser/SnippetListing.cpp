#include "SnippetListing.h"

#include "SidebarScope.h"

#include <algorithm>

namespace quillo {

const std::vector<const Snippet*>&
SnippetListing::visibleSnippets(const Library& library, const std::optional<SidebarItem>& sidebar,
                                std::string_view search) {
    const SidebarItem item = sidebar.value_or(SidebarItem::all());
    if (answered_ && library_ == &library && revision_ == library.revision() &&
        snippetData_ == library.snippets().data() && sidebar_ == item && query_ == search)
        return result_;

    result_.clear();
    if (!search.empty())
        listSearch(library, item, search);
    else if (item.kind == SidebarItem::Kind::recent)
        listRecent(library);
    else
        listByName(library, item);

    answered_ = true;
    library_ = &library;
    revision_ = library.revision();
    snippetData_ = library.snippets().data();
    sidebar_ = item;
    query_ = search;
    return result_;
}

void SnippetListing::listSearch(const Library& library, const SidebarItem& item,
                                std::string_view search) {
    // The search text goes as typed: the picker's search decides what blanks mean.
    const SidebarScope scope(library, item);
    const std::vector<const Snippet*>& ranked = search_.results(search, library);
    if (item.kind == SidebarItem::Kind::all) {
        result_ = ranked;
        return;
    }
    for (const Snippet* snippet : ranked)
        if (scope.contains(*snippet))
            result_.push_back(snippet);
}

void SnippetListing::listRecent(const Library& library) {
    const std::vector<Snippet>& snippets = library.snippets();
    for (const Snippet& snippet : snippets)
        if (snippet.lastUsed)
            result_.push_back(&snippet);
    // Newest use first; equal times keep library order, which the addresses follow.
    const auto newerFirst = [](const Snippet* a, const Snippet* b) {
        return *a->lastUsed != *b->lastUsed ? *a->lastUsed > *b->lastUsed : a < b;
    };
    const std::size_t kept = std::min(result_.size(), recentLimit);
    std::partial_sort(result_.begin(), result_.begin() + static_cast<std::ptrdiff_t>(kept),
                      result_.end(), newerFirst);
    result_.resize(kept);
}

void SnippetListing::listByName(const Library& library, const SidebarItem& item) {
    const std::vector<Snippet>& snippets = library.snippets();
    const SidebarScope scope(library, item);
    const std::vector<std::uint32_t>& order = names_.positions(library);
    result_.reserve(item.kind == SidebarItem::Kind::all ? order.size() : 0);
    for (const std::uint32_t at : order)
        if (scope.contains(snippets[at]))
            result_.push_back(&snippets[at]);
}

} // namespace quillo
