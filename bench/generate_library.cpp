// Writes a made-up library file, for trying the program on a large library.
#include "LibraryGenerator.h"
#include "core/model/LibraryFile.h"
#include "core/util/Files.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

template <typename Number> bool parseNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

int usage() {
    std::fprintf(stderr, "usage: quillo-generate-library COUNT PATH [SEED]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4)
        return usage();
    std::size_t count = 0;
    std::uint64_t seed = 1;
    if (!parseNumber(argv[1], count) || (argc == 4 && !parseNumber(argv[3], seed)))
        return usage();
    const std::filesystem::path path = argv[2];

    const quillo::bench::GeneratedLibrary library = quillo::bench::generateLibrary(count, seed);
    const std::string bytes = quillo::LibraryFileCoding::encode(library.groups, library.snippets);
    try {
        if (path.has_parent_path())
            quillo::Files::createFolders(path.parent_path());
        quillo::Files::writeAtomically(path, bytes);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillo-generate-library: %s\n", error.what());
        return 1;
    }
    std::printf("%s: %zu snippets in %zu groups, %zu bytes\n", path.c_str(),
                library.snippets.size(), library.groups.size(), bytes.size());
    return 0;
}
