#pragma once

#include "AppState.h"
#include "core/hotkey/Shortcut.h"
#include "core/model/Library.h"
#include "core/paste/Paster.h"
#include "core/picker/PickerModel.h"
#include "core/platform/ApplicationShell.h"
#include "core/platform/Scheduler.h"
#include "core/platform/Workspace.h"
#include "core/text/Placeholders.h"
#include "core/util/Uuid.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

/// What a fixed item of the tray menu does.
enum class MenuCommand { insertSnippet, openLibrary, openSettings, quit, useOwnCopy };

/// One entry of the tray menu, as data for the window layer to draw.
struct MenuItem {
    /// A notice is a line of text that does nothing.
    enum class Kind { separator, command, snippet, submenu, notice };

    Kind kind = Kind::separator;
    std::string title{};
    /// The key that chooses it in the open menu, in the platform's form ("Ctrl+Q").
    std::string keyHint{};
    /// For a command item.
    MenuCommand command = MenuCommand::insertSnippet;
    /// For a snippet item: the snippet it pastes.
    Uuid snippet{};
    /// For a submenu.
    std::vector<MenuItem> items{};

    friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

/// What the tray menu works with.
struct MenuEnvironment {
    Library& library;
    AppState& app;
    PickerModel& picker;
    Paster& paster;
    Workspace& workspace;
    Scheduler& scheduler;
    ApplicationShell& shell;
};

/// The tray menu: its items, built afresh each time it opens, and what choosing one does.
/// Main thread only.
class MenuModel {
public:
    /// How long after a snippet is chosen it is pasted, so the menu is gone and the
    /// keyboard is back with the application in front.
    static constexpr std::chrono::milliseconds pasteDelay{200};

    explicit MenuModel(const MenuEnvironment& environment);
    /// Drops pastes still waiting.
    ~MenuModel();
    MenuModel(const MenuModel&) = delete;
    MenuModel& operator=(const MenuModel&) = delete;

    /// The menu for `library` with `shortcut` named in its first item (after a notice and
    /// "Use Quillo's copy" while the file changed outside can't be read): the insert item,
    /// a submenu per group that has snippets (in the library's order, snippets by name),
    /// "Ungrouped" when some snippet has no group, then the library, settings and quit.
    /// Snippets of a group that is gone are left out.
    static std::vector<MenuItem> build(const Library& library, const Shortcut& shortcut);
    /// The menu as things stand now.
    std::vector<MenuItem> items() const;

    /// Does what the item stands for; separators and submenus do nothing.
    void choose(const MenuItem& item);
    void perform(MenuCommand command);
    /// Pastes the snippet into the application in front now, 0.2 s from now; a snippet
    /// with fill-in fields opens the picker's form for that application instead. Nothing
    /// happens when the snippet is gone.
    void insert(Uuid snippetID);

    /// `quillo paste`: pastes the snippet `reference` names (an id or a name) into the
    /// application in front now, 0.2 s from now, with `values` for its fields and the
    /// defaults for the rest. Returns why nothing is pasted, as the command line says it.
    std::optional<std::string> pasteByCommand(std::string_view reference,
                                              const Placeholders::Values& values);

private:
    void later(Scheduler::Task task);

    MenuEnvironment environment_;
    std::vector<ScheduledTask> pending_;
};

} // namespace quillo
