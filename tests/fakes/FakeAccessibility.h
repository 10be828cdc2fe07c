#pragma once

#include "core/platform/Accessibility.h"

namespace quillo::testing {

/// Trusted unless the test says otherwise; counts the questions and the prompts.
class FakeAccessibility final : public Accessibility {
public:
    bool isTrusted(bool prompt) override {
        ++checks;
        if (prompt)
            ++prompts;
        return trusted;
    }

    bool trusted = true;
    int checks = 0;
    /// Questions asked with `prompt` set.
    int prompts = 0;
};

} // namespace quillo::testing
