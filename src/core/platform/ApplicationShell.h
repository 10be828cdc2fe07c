#pragma once

namespace quillo {

/// The running desktop program as a whole.
class ApplicationShell {
public:
    virtual ~ApplicationShell() = default;
    /// Brings the program's windows to the front.
    virtual void activate() = 0;
    /// Opens the settings window.
    virtual void openSettings() = 0;
    /// Ends the program normally (the library is saved on the way out).
    virtual void quit() = 0;
};

} // namespace quillo
