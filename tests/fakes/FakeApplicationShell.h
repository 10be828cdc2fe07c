#pragma once

#include "core/platform/ApplicationShell.h"

#include <string>
#include <vector>

namespace quillo::testing {

/// Records what the program was asked to do with itself, in order.
class FakeApplicationShell final : public ApplicationShell {
public:
    void activate() override { calls.emplace_back("activate"); }
    void openSettings() override { calls.emplace_back("openSettings"); }
    void quit() override { calls.emplace_back("quit"); }

    std::vector<std::string> calls;
};

} // namespace quillo::testing
