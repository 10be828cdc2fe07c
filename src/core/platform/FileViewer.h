#pragma once

#include <filesystem>

namespace quillo {

/// The desktop's file manager.
class FileViewer {
public:
    virtual ~FileViewer() = default;
    /// Opens a file manager window on the folder holding `item`, with `item` selected.
    virtual void reveal(const std::filesystem::path& item) = 0;
};

} // namespace quillo
