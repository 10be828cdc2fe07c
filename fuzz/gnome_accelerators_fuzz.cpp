// The reader of GNOME's accelerators on arbitrary bytes: it never crashes, and whatever it
// reads, written back and read again, is the same combination.
#include "core/hotkey/GnomeAccelerators.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillo;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto parsed = parseGnomeAccelerator(bytes))
        if (parseGnomeAccelerator(gnomeAccelerator(parsed->keyName, parsed->modifiers)) != parsed)
            std::abort();
    return 0;
}
