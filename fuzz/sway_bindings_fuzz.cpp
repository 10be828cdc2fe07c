// The reader of sway's configuration on arbitrary bytes: it never crashes or hangs, and any
// binding it reports is one a press of the asked combination triggers.
#include "core/hotkey/SwayBindings.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillo;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const char* asked : {"Ctrl+Mod1+space", "Mod4+Return"})
        if (const auto bound = SwayBindings::boundBy(bytes, asked))
            if (SwayBindings::boundBy("bindsym " + bound->combination + " x", asked)->combination !=
                bound->combination)
                std::abort();
    return 0;
}
