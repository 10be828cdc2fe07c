#include "Log.h"

#include <cstdio>

namespace quillo {

void StandardErrorLog::write(std::string_view line) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    std::fflush(stderr);
}

} // namespace quillo
