#pragma once

#include "core/platform/Dialogs.h"

#include <QString>
#include <functional>

namespace quillo {

/// The open panel and alerts as Qt's modal dialogs.
class QtDialogs final : public Dialogs {
public:
    /// `bringForward` brings the program to the front before each dialog.
    explicit QtDialogs(std::function<void()> bringForward = {});

    std::optional<std::filesystem::path> chooseFile(const OpenPanelRequest& request) override;
    void showAlert(const std::string& message, const std::string& informativeText) override;
    void showError(const std::string& description) override;

    /// The file dialog's filter for the allowed extensions: ".atext files (*.atext)".
    static QString nameFilter(const std::vector<std::string>& fileExtensions);

private:
    std::function<void()> bringForward_;
};

} // namespace quillo
