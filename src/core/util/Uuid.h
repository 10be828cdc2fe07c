#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillo {

/// A 128-bit universally unique identifier.
class Uuid {
public:
    /// The nil UUID (all zero). Records always get a random one.
    Uuid() = default;

    /// A new random (version 4) UUID.
    static Uuid random();
    /// Reads the 36-character hyphenated form, in either letter case; anything else is absent.
    static std::optional<Uuid> parse(std::string_view text);

    /// The upper-case 36-character hyphenated form, as the library file stores it.
    std::string string() const;

    const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    std::array<std::uint8_t, 16> bytes_{};
};

} // namespace quillo

template <> struct std::hash<quillo::Uuid> {
    std::size_t operator()(const quillo::Uuid& id) const noexcept;
};
