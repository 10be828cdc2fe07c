#pragma once

#include "core/model/Snippet.h"
#include "core/util/Uuid.h"

#include <cstddef>
#include <functional>

namespace quillo {

/// What the library window's sidebar can show: which snippets the list holds.
struct SidebarItem {
    enum class Kind { all, recent, ungrouped, group };

    Kind kind = Kind::all;
    /// The group, for `Kind::group` only.
    Uuid group{};

    static SidebarItem all() { return {}; }
    static SidebarItem recent() { return {Kind::recent, {}}; }
    static SidebarItem ungrouped() { return {Kind::ungrouped, {}}; }
    static SidebarItem ofGroup(Uuid id) { return {Kind::group, id}; }

    friend bool operator==(const SidebarItem&, const SidebarItem&) = default;
};

} // namespace quillo

template <> struct std::hash<quillo::SidebarItem> {
    std::size_t operator()(const quillo::SidebarItem& item) const noexcept {
        const std::size_t kind = static_cast<std::size_t>(item.kind);
        return item.kind == quillo::SidebarItem::Kind::group
                   ? std::hash<quillo::Uuid>{}(item.group) ^ kind
                   : kind;
    }
};
