#pragma once

#include <string_view>

namespace quillo {

/// Diagnostic lines for the person running the program. Each call is one whole line,
/// such as "Quillo: save failed: ...".
class Log {
public:
    virtual ~Log() = default;
    virtual void write(std::string_view line) = 0;
};

/// Writes each line to standard error.
class StandardErrorLog final : public Log {
public:
    void write(std::string_view line) override;
};

} // namespace quillo
