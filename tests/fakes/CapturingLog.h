#pragma once

#include "core/platform/Log.h"

#include <string>
#include <vector>

namespace quillo::testing {

/// Keeps every line for the test to read.
class CapturingLog final : public Log {
public:
    void write(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

} // namespace quillo::testing
