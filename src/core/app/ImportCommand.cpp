#include "ImportCommand.h"

#include "core/import/ATextImporter.h"
#include "core/model/Library.h"
#include "core/platform/DataFolder.h"
#include "core/platform/Log.h"

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

int runImportCommand(const std::filesystem::path& backup, std::ostream& out) {
    SystemClock clock;
    NoLoopScheduler scheduler; // the command saves at once
    StandardErrorLog log;
    NoDialogs dialogs;
    Library library({clock, scheduler, log, userDataFolder()});
    ATextImporter importer({library, clock, dialogs, userHomeFolder()});
    std::size_t added = 0;
    try {
        added = importer.importFile(backup);
    } catch (const ImportError& error) {
        out << "Import failed: " << error.errorDescription() << '\n';
        return 1;
    }
    library.saveNow();
    // A library that can't be written keeps the import only in memory: that is a failure.
    if (added > 0 && library.savesBlocked()) {
        out << "Import failed: " << library.problem().value_or("the library can't be saved.")
            << '\n';
        return 1;
    }
    out << "Imported " << added << " snippets into " << library.fileURL().string() << '\n';
    return 0;
}

} // namespace quillo
