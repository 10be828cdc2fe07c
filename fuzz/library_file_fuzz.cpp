// The library file reader on arbitrary bytes: it either refuses the document with a
// LibraryFileError or reads it, and what it reads survives being written and read again.
#include "core/model/LibraryFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillo;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    LibraryFile file;
    try {
        file = LibraryFileCoding::decode(bytes);
    } catch (const LibraryFileError&) {
        return 0;
    }
    const std::string written = LibraryFileCoding::encode(file.groups, file.snippets);
    const LibraryFile again = LibraryFileCoding::decode(written);
    if (again.groups != file.groups || again.snippets != file.snippets)
        std::abort(); // something read was lost or changed on the way back
    if (LibraryFileCoding::encode(again.groups, again.snippets) != written)
        std::abort();
    return 0;
}
