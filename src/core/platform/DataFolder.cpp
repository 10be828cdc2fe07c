#include "DataFolder.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace quillo {

std::filesystem::path userHomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    // No HOME (a bare service environment): ask the password database.
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

std::filesystem::path userDataFolder() {
    // The XDG rules say a relative value is invalid and must be ignored.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        return xdg;
    return userHomeFolder() / ".local" / "share";
}

} // namespace quillo
