#include "Uuid.h"

#include <cstring>
#include <uuid/uuid.h>

namespace quillo {

Uuid Uuid::random() {
    Uuid id;
    uuid_generate_random(id.bytes_.data());
    return id;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    // libuuid wants exactly 36 characters, NUL-terminated.
    constexpr std::size_t length = 36;
    if (text.size() != length)
        return std::nullopt;
    char buffer[length + 1];
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    Uuid id;
    if (uuid_parse(buffer, id.bytes_.data()) != 0)
        return std::nullopt;
    return id;
}

std::string Uuid::string() const {
    char buffer[37];
    uuid_unparse_upper(bytes_.data(), buffer);
    return std::string(buffer, 36);
}

} // namespace quillo

std::size_t std::hash<quillo::Uuid>::operator()(const quillo::Uuid& id) const noexcept {
    // Random UUIDs are already uniformly spread: folding the two halves is enough.
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    std::memcpy(&high, id.bytes().data(), 8);
    std::memcpy(&low, id.bytes().data() + 8, 8);
    return static_cast<std::size_t>(high ^ (low * 0x9E3779B97F4A7C15ULL));
}
