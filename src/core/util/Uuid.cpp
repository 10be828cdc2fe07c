#include "Uuid.h"

#include "HexDigit.h"

#include <cstring>
#include <uuid/uuid.h>

namespace quillo {

Uuid Uuid::random() {
    Uuid id;
    uuid_generate_random(id.bytes_.data());
    return id;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    // The form libuuid's parser takes, read here: it goes through strtoul for each byte,
    // which was a quarter of the work of loading a library of 10k snippets.
    if (text.size() != 36)
        return std::nullopt;
    Uuid id;
    std::size_t byte = 0;
    for (std::size_t at = 0; at < text.size();) {
        if (at == 8 || at == 13 || at == 18 || at == 23) {
            if (text[at++] != '-')
                return std::nullopt;
            continue;
        }
        const int high = hexDigitValue(text[at]);
        const int low = hexDigitValue(text[at + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        id.bytes_[byte++] = static_cast<std::uint8_t>(high << 4 | low);
        at += 2;
    }
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
