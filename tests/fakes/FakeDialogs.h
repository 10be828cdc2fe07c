#pragma once

#include "core/platform/Dialogs.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillo::testing {

/// Modal windows that answer at once, recorded in order; the open panel returns `chosenFile`.
class FakeDialogs final : public Dialogs {
public:
    struct Alert {
        std::string message;
        std::string informativeText;
        friend bool operator==(const Alert&, const Alert&) = default;
    };

    std::optional<std::filesystem::path> chooseFile(const OpenPanelRequest& request) override {
        panels.push_back(request);
        return chosenFile;
    }
    void showAlert(const std::string& message, const std::string& informativeText) override {
        alerts.push_back({message, informativeText});
    }
    void showError(const std::string& description) override { errors.push_back(description); }

    /// True when no panel or alert of any kind was shown.
    bool nothingShown() const { return panels.empty() && alerts.empty() && errors.empty(); }

    std::optional<std::filesystem::path> chosenFile{};
    std::vector<OpenPanelRequest> panels;
    std::vector<Alert> alerts;
    std::vector<std::string> errors;
};

} // namespace quillo::testing
