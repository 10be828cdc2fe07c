#include "NameOrder.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace quillo {

bool NameOrder::describes(const Library& library) const {
    // The address of the snippets as well: a library made anew at the same address starts
    // its revisions over.
    return library_ == &library && revision_ == library.revision() &&
           snippetData_ == library.snippets().data() && snippetCount_ == library.snippets().size();
}

const std::vector<std::uint32_t>& NameOrder::positions(const Library& library) {
    if (describes(library))
        return order_;
    const bool changed = refreshEntries(library);
    if (changed || order_.size() != entries_.size()) {
        order_.resize(entries_.size());
        std::iota(order_.begin(), order_.end(), 0U);
        std::sort(order_.begin(), order_.end(), [this](std::uint32_t a, std::uint32_t b) {
            const int order = entries_[a].key.compare(entries_[b].key);
            return order != 0 ? order < 0 : a < b;
        });
    }
    library_ = &library;
    revision_ = library.revision();
    snippetData_ = library.snippets().data();
    snippetCount_ = library.snippets().size();
    return order_;
}

bool NameOrder::refreshEntries(const Library& library) {
    const std::vector<Snippet>& snippets = library.snippets();
    // The usual change leaves every snippet where it was: only names need looking at.
    bool samePlaces = snippets.size() == entries_.size();
    for (std::size_t i = 0; samePlaces && i < snippets.size(); ++i)
        samePlaces = entries_[i].id == snippets[i].id;
    if (samePlaces) {
        bool renamed = false;
        for (std::size_t i = 0; i < snippets.size(); ++i) {
            Entry& entry = entries_[i];
            if (entry.name != snippets[i].name) {
                entry.name = snippets[i].name;
                entry.key = less_.sortKey(entry.name);
                renamed = true;
            }
        }
        return renamed;
    }

    // Snippets came or went: keep the keys of those whose names are unchanged.
    std::unordered_map<Uuid, std::size_t> old;
    old.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i)
        old.try_emplace(entries_[i].id, i);
    std::vector<Entry> entries;
    entries.reserve(snippets.size());
    for (const Snippet& snippet : snippets) {
        const auto found = old.find(snippet.id);
        if (found != old.end() && entries_[found->second].name == snippet.name) {
            entries.push_back(std::move(entries_[found->second]));
            old.erase(found); // a duplicated id gets a key of its own
        } else {
            entries.push_back({snippet.id, snippet.name, less_.sortKey(snippet.name)});
        }
    }
    entries_ = std::move(entries);
    return true;
}

} // namespace quillo
