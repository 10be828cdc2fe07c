#include "ImportCommand.h"

#include "SingleWriter.h"
#include "core/platform/DataFolder.h"
#include "core/platform/Log.h"
#include "core/platform/Scheduler.h"
#include "core/util/Files.h"
#include "core/util/Translation.h"

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
        return {1, fill(i18n("Import failed: {reason}"), {{"reason", error.errorDescription()}})};
    }
    library.saveNow();
    if (added > 0 && library.savesBlocked())
        return {
            1, fill(i18n("Import failed: {reason}"),
                    {{"reason", library.problem().value_or(i18n("the library can't be saved."))}})};
    return {0, fill(i18np("Imported {count} snippet into {file}",
                          "Imported {count} snippets into {file}", added),
                    {{"file", library.fileURL().string()}})};
}

int runImportCommand(const std::filesystem::path& backup, std::ostream& out, std::ostream& err,
                     const ImportHandOver& handOver, std::chrono::milliseconds wait) {
    std::optional<int> handedOverStatus;
    SingleWriter::Outcome writer = SingleWriter::Busy{};
    try {
        writer = SingleWriter::becomeWriter(
            userDataFolder(),
            [&] {
                handedOverStatus = handOver ? handOver() : std::nullopt;
                return handedOverStatus.has_value();
            },
            {wait, std::chrono::milliseconds(50), [&] {
                 err << i18n("quillo: another Quillo process is writing the library; the import "
                             "waits for it to finish.")
                     << '\n'
                     << std::flush;
             }});
    } catch (const FileError& error) {
        out << fill(i18n("Import failed: {reason}"), {{"reason", error.what()}}) << '\n';
        return 1;
    }
    if (std::holds_alternative<SingleWriter::HandedOver>(writer))
        return *handedOverStatus;
    if (std::holds_alternative<SingleWriter::Busy>(writer)) {
        out << i18n("Import failed: another Quillo process is still writing the library.") << '\n';
        return 1;
    }

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
