// The entry point of the rich editor's module (see RichEditorModule.h).
#include "RichEditorBridge.h"
#include "RichEditorModule.h"

extern "C" __attribute__((visibility("default"))) quillo::RichEditor*
quilloMakeRichEditor(const std::filesystem::path* pageFolder, quillo::Log* log) {
    return new quillo::RichEditorBridge(
        pageFolder ? std::optional<std::filesystem::path>(*pageFolder) : std::nullopt, *log);
}
