#pragma once

namespace quillo {

/// Whether this program may post key presses into other applications.
class Accessibility {
public:
    virtual ~Accessibility() = default;
    /// With `prompt`, the platform may also tell the user how to allow it.
    virtual bool isTrusted(bool prompt) = 0;
};

} // namespace quillo
