#pragma once

#include <string>

namespace quillo {

/// Whether this program may post key presses into other applications.
class Accessibility {
public:
    virtual ~Accessibility() = default;
    /// With `prompt`, the platform may also tell the user how to allow it.
    virtual bool isTrusted(bool prompt) = 0;
    /// One or two sentences for Settings: how the program pastes in this session, or what
    /// keeps it from pasting and what to do about it. Empty when there is nothing to add.
    virtual std::string pastingStatus() const { return {}; }
};

} // namespace quillo
