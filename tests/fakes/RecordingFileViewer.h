#pragma once

#include "core/platform/FileViewer.h"

#include <filesystem>
#include <vector>

namespace quillo::testing {

/// Remembers what it was asked to show, in order.
class RecordingFileViewer final : public FileViewer {
public:
    void reveal(const std::filesystem::path& item) override { revealed.push_back(item); }

    std::vector<std::filesystem::path> revealed;
};

} // namespace quillo::testing
