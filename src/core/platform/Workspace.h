#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillo {

/// An application window the user works in, as the window system names it.
struct ApplicationHandle {
    std::uint64_t window = 0;
    std::int64_t processID = 0; // 0 when the window does not say
    std::string windowClass{};
    friend bool operator==(const ApplicationHandle&, const ApplicationHandle&) = default;
};

/// True when both handles name the same application: the same process when both know
/// theirs, else the same window. A handle that names neither matches nothing.
inline bool sameApplication(const ApplicationHandle& a, const ApplicationHandle& b) {
    if (a.processID > 0 && b.processID > 0)
        return a.processID == b.processID;
    return a.window != 0 && a.window == b.window;
}

/// The desktop's applications.
class Workspace {
public:
    virtual ~Workspace() = default;
    /// The application in front, when one can be told.
    virtual std::optional<ApplicationHandle> frontmostApplication() const = 0;
    /// Calls `then` once `target` is in front again after the picker let the keyboard go,
    /// or once waiting longer is pointless. Where the picker never takes the focus from the
    /// application (a keyboard grab), that is at once.
    virtual void afterFocusReturnsTo(const std::optional<ApplicationHandle>& target,
                                     std::function<void()> then) {
        (void)target;
        then();
    }
};

} // namespace quillo
