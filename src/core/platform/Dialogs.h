#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

/// What an open panel asks the user.
struct OpenPanelRequest {
    /// The sentence shown above the file list.
    std::string message{};
    /// The folder the panel starts in (it may not exist).
    std::filesystem::path startFolder{};
    /// The file name extensions that may be chosen, without the dot ("atext").
    std::vector<std::string> fileExtensions{};
};

/// Modal windows: the open panel and alerts. Each call returns once the user has
/// answered; the program comes to the front first.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    /// The file the user chose; absent when they cancelled.
    virtual std::optional<std::filesystem::path> chooseFile(const OpenPanelRequest& request) = 0;
    /// An alert with a message and an informative text below it.
    virtual void showAlert(const std::string& message, const std::string& informativeText) = 0;
    /// An alert that reports a failure: the error's description is its message.
    virtual void showError(const std::string& description) = 0;
};

} // namespace quillo
