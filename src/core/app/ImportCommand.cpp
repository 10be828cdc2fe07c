#include "ImportCommand.h"

#include "core/platform/DataFolder.h"
#include "core/platform/Log.h"
#include "core/platform/Scheduler.h"

namespace quillo {

namespace {

// Importing a named file never asks the user anything.
class NoDialogs final : public Dialogs {
public:
    std::optional<std::filesystem::path> chooseFile(const OpenPanelRequest&) override {
        return std::nullopt;
    }
    void showAlert(const std::string&, const std::string&) override {}
    void showError(const std::string&) override {}
};

} // namespace

ImportReport importAndSave(ATextImporter& importer, Library& library,
                           const std::filesystem::path& backup) {
    std::size_t added = 0;
    try {
        added = importer.importFile(backup);
    } catch (const ImportError& error) {
        return {1, "Import failed: " + error.errorDescription()};
    }
    library.saveNow();
    if (added > 0 && library.savesBlocked())
        return {1, "Import failed: " + library.problem().value_or("the library can't be saved.")};
    return {0,
            "Imported " + std::to_string(added) + " snippets into " + library.fileURL().string()};
}

int runImportCommand(const std::filesystem::path& backup, std::ostream& out) {
    SystemClock clock;
    NoLoopScheduler scheduler; // the command saves at once
    StandardErrorLog log;
    NoDialogs dialogs;
    Library library({clock, scheduler, log, userDataFolder()});
    ATextImporter importer({library, clock, dialogs, userHomeFolder()});
    const ImportReport report = importAndSave(importer, library, backup);
    out << report.line << '\n';
    return report.status;
}

} // namespace quillo
