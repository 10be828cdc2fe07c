#pragma once

#include "Snippet.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

class Library;

/// The most recent deletion, which the user may still undo. It lives only in memory.
/// It records either snippets or one group, never both.
class Deletion {
public:
    explicit Deletion(std::string text) : summary(std::move(text)) {}

    /// The line shown in the undo banner.
    std::string summary;

    /// The group that an undo brings back, when this records a group deletion.
    std::optional<Uuid> restoredGroupID() const {
        return group_ ? std::optional<Uuid>(group_->group.id) : std::nullopt;
    }

private:
    friend class Library;

    struct RemovedSnippet {
        std::size_t index; // position in the library before the deletion
        Snippet snippet;
    };
    struct RemovedGroup {
        std::size_t index; // position among the groups before the deletion
        SnippetGroup group;
        std::vector<Uuid> members; // in library order, at the moment of deletion
    };

    std::vector<RemovedSnippet> snippets_; // ascending positions
    std::optional<RemovedGroup> group_;
};

} // namespace quillo
