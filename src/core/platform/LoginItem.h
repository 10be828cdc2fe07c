#pragma once

#include <stdexcept>

namespace quillo {

/// A login item that could not be changed. `what()` is one sentence for the user.
class LoginItemError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Starting the program when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() const = 0;
    /// Throws LoginItemError.
    virtual void setEnabled(bool enabled) = 0;
};

} // namespace quillo
