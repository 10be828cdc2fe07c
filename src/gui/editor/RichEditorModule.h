#pragma once

#include "RichEditor.h"
#include "core/platform/Log.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace quillo {

/// The rich editor is a web page in a web view, and the web engine behind it costs well over
/// a hundred megabytes once loaded. It is built as a module of its own, "quillo-rich-editor",
/// loaded when the first rich snippet is shown, so the program idling in the tray never
/// pays for it.
///
/// The module's one entry point, with C linkage: it makes a rich editor showing the page in
/// `pageFolder` (null: none) that reports problems to `log`; the caller owns the editor.
using MakeRichEditorFunction = RichEditor* (*)(const std::filesystem::path* pageFolder, Log* log);
inline constexpr const char* makeRichEditorSymbol = "quilloMakeRichEditor";

/// Where the editor page is: beside the installed program, else, for a program in the build
/// folder, in the source tree.
std::optional<std::filesystem::path> editorPageFolder();

/// Where the module is looked for: beside the program (the build folder), then where it is
/// installed.
std::vector<std::filesystem::path> richEditorModuleFolders();

/// A rich editor from the module in the first of `moduleFolders` that has it. When none can
/// be loaded, says why in `log` and gives the unavailable stand-in.
std::unique_ptr<RichEditor>
loadRichEditor(const std::optional<std::filesystem::path>& pageFolder, Log& log,
               const std::vector<std::filesystem::path>& moduleFolders = richEditorModuleFolders());

/// A stand-in that tells the user rich text can't be edited here and ignores commands.
std::unique_ptr<RichEditor> unavailableRichEditor();

} // namespace quillo
