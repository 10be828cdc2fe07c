#include "StartOptions.h"

#include "CommandLine.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace quillo::StartUp {

namespace {

bool hasOption(const std::vector<std::string>& arguments, std::string_view option) {
    return arguments.size() > 1 &&
           std::find(std::next(arguments.begin()), arguments.end(), option) != arguments.end();
}

} // namespace

bool launchedAtLogin(const std::vector<std::string>& arguments) {
    return hasOption(arguments, CommandLine::autostartOption);
}

bool opensSettings(const std::vector<std::string>& arguments) {
    return hasOption(arguments, CommandLine::settingsOption);
}

bool opensPicker(const std::vector<std::string>& arguments) {
    return hasOption(arguments, CommandLine::pickerOption);
}

InstanceRequest requestOf(const std::vector<std::string>& arguments) {
    if (opensPicker(arguments)) {
        const char* token = std::getenv("XDG_ACTIVATION_TOKEN");
        return {InstanceRequest::Kind::picker, token ? token : "", {}};
    }
    if (opensSettings(arguments))
        return {InstanceRequest::Kind::settings, "", {}};
    return {InstanceRequest::Kind::show, "", {}};
}

} // namespace quillo::StartUp
