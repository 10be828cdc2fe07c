// An aText backup chosen by the user, on arbitrary bytes: the importer either refuses it
// with an ImportError or reads it, and everything it reads merges into a library whose
// file reads back the same.
#include "core/import/ATextImporter.h"
#include "core/model/LibraryFile.h"
#include "fakes/CapturingLog.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeDialogs.h"
#include "fakes/ManualScheduler.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <unordered_set>

namespace {

using namespace quillo;

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    testing::FakeClock clock{Date{}};
    testing::ManualScheduler scheduler;
    testing::CapturingLog log;
    testing::FakeDialogs dialogs;
    Library library({clock, scheduler, log, "/nonexistent"}, false);
    ATextImporter importer({library, clock, dialogs, "/nonexistent"});

    ImportedBackup backup;
    try {
        backup = importer.readBytes(bytes);
    } catch (const ImportError& error) {
        check(!error.errorDescription().empty());
        return 0;
    }
    std::unordered_set<Uuid> groups;
    for (const SnippetGroup& group : backup.groups)
        check(!group.name.empty() && groups.insert(group.id).second);
    for (const Snippet& snippet : backup.snippets) {
        check(!snippet.name.empty());
        check(!snippet.groupID || groups.contains(*snippet.groupID));
    }
    // Merging never adds more than was read, and what is stored survives the file.
    check(library.merge(backup.groups, backup.snippets) <= backup.snippets.size());
    const std::string written = LibraryFileCoding::encode(library.groups(), library.snippets());
    const LibraryFile again = LibraryFileCoding::decode(written);
    check(again.snippets.size() == library.snippets().size());
    return 0;
}
