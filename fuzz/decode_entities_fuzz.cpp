// Entity decoding on arbitrary bytes: never fails, and undoes escaping exactly.
#include "core/text/HTMLText.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillo;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string decoded = HTMLText::decodeEntities(text);
    if (text.find('&') == std::string_view::npos && decoded != text)
        std::abort();
    // Whatever a user typed comes back from its escaped form unchanged.
    if (HTMLText::decodeEntities(HTMLText::escape(text)) != text)
        std::abort();
    return 0;
}
