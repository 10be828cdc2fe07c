#include "StartOptions.h"

#include "CommandLine.h"

#include <algorithm>
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

} // namespace quillo::StartUp
