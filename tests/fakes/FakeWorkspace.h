#pragma once

#include "core/platform/Workspace.h"

#include <optional>

namespace quillo::testing {

/// The application in front is whatever the test sets (none at first).
class FakeWorkspace final : public Workspace {
public:
    std::optional<ApplicationHandle> frontmostApplication() const override { return frontmost; }

    std::optional<ApplicationHandle> frontmost;
};

} // namespace quillo::testing
