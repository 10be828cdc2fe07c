#include "MenuModel.h"

#include "CommandLine.h"
#include "core/text/NaturalOrder.h"
#include "core/util/Translation.h"

#include <algorithm>
#include <unordered_map>

namespace quillo {

namespace {

MenuItem separator() {
    return {};
}

MenuItem commandItem(std::string title, MenuCommand command, std::string keyHint = {}) {
    return {.kind = MenuItem::Kind::command,
            .title = std::move(title),
            .keyHint = std::move(keyHint),
            .command = command};
}

MenuItem submenu(std::string title, const std::vector<const Snippet*>& snippets) {
    MenuItem menu{.kind = MenuItem::Kind::submenu, .title = std::move(title)};
    menu.items.reserve(snippets.size());
    for (const Snippet* snippet : snippets)
        menu.items.push_back(
            {.kind = MenuItem::Kind::snippet, .title = snippet->name, .snippet = snippet->id});
    return menu;
}

bool hasFields(const Snippet& snippet) {
    return !Placeholders::fields(snippet.text, snippet.format == SnippetFormat::rich).empty();
}

} // namespace

MenuModel::MenuModel(const MenuEnvironment& environment) : environment_(environment) {}

MenuModel::~MenuModel() {
    for (ScheduledTask& task : pending_)
        task.cancel();
}

std::vector<MenuItem> MenuModel::build(const Library& library, const Shortcut& shortcut) {
    std::vector<MenuItem> menu;
    if (const std::optional<std::string>& reason = library.unreadableChange()) {
        menu.push_back({.kind = MenuItem::Kind::notice,
                        .title = i18n("The library file was changed outside Quillo and can't "
                                      "be read:")});
        menu.push_back({.kind = MenuItem::Kind::notice, .title = *reason});
        menu.push_back(commandItem(i18n("Use Quillo's copy"), MenuCommand::useOwnCopy));
        menu.push_back(separator());
    }
    menu.push_back(commandItem(
        fill(i18n("Insert Snippet…  {shortcut}"), {{"shortcut", shortcut.displayString()}}),
        MenuCommand::insertSnippet));
    menu.push_back(separator());

    // Sorted into groups in one pass, so large libraries stay quick to open.
    std::unordered_map<Uuid, std::vector<const Snippet*>> byGroup;
    std::vector<const Snippet*> ungrouped;
    for (const Snippet& snippet : library.snippets()) {
        if (snippet.groupID)
            byGroup[*snippet.groupID].push_back(&snippet);
        else
            ungrouped.push_back(&snippet);
    }
    const NaturalLess less;
    for (const SnippetGroup& group : library.groups()) {
        const auto found = byGroup.find(group.id);
        if (found == byGroup.end())
            continue;
        std::vector<const Snippet*>& snippets = found->second;
        // Stable, so snippets of equal names keep the library's order.
        std::stable_sort(
            snippets.begin(), snippets.end(),
            [&less](const Snippet* a, const Snippet* b) { return less(a->name, b->name); });
        menu.push_back(submenu(group.name, snippets));
    }
    if (!ungrouped.empty())
        menu.push_back(submenu(i18n("Ungrouped"), ungrouped));

    menu.push_back(separator());
    menu.push_back(commandItem(i18n("Open Library…"), MenuCommand::openLibrary));
    menu.push_back(commandItem(i18n("Settings…"), MenuCommand::openSettings, "Ctrl+,"));
    menu.push_back(separator());
    menu.push_back(commandItem(i18n("Quit Quillo"), MenuCommand::quit, "Ctrl+Q"));
    return menu;
}

std::vector<MenuItem> MenuModel::items() const {
    return build(environment_.library, environment_.app.shortcut());
}

void MenuModel::choose(const MenuItem& item) {
    if (item.kind == MenuItem::Kind::command)
        perform(item.command);
    else if (item.kind == MenuItem::Kind::snippet)
        insert(item.snippet);
}

void MenuModel::perform(MenuCommand command) {
    switch (command) {
    case MenuCommand::insertSnippet:
        environment_.picker.showSearch();
        break;
    case MenuCommand::openLibrary:
        environment_.app.showLibrary();
        break;
    case MenuCommand::openSettings:
        environment_.shell.openSettings();
        break;
    case MenuCommand::quit:
        environment_.shell.quit();
        break;
    case MenuCommand::useOwnCopy:
        environment_.library.useOwnCopy();
        break;
    }
}

void MenuModel::insert(Uuid snippetID) {
    const Snippet* found = environment_.library.snippet(snippetID);
    if (found == nullptr)
        return;
    // The application in front now, while the menu is open, is the one the user means.
    const std::optional<ApplicationHandle> target = environment_.workspace.frontmostApplication();
    later([&paster = environment_.paster, &picker = environment_.picker, snippet = *found, target] {
        if (hasFields(snippet))
            picker.showFields(snippet, false, target);
        else
            paster.paste(snippet, {}, target);
    });
}

std::optional<std::string> MenuModel::pasteByCommand(std::string_view reference,
                                                     const Placeholders::Values& values) {
    const Snippet* found = CommandLine::findSnippet(environment_.library, reference);
    if (found == nullptr)
        return CommandLine::unknownSnippet(reference);
    const std::optional<ApplicationHandle> target = environment_.workspace.frontmostApplication();
    later([&paster = environment_.paster, snippet = *found, values, target] {
        paster.paste(snippet, values, target);
    });
    return std::nullopt;
}

void MenuModel::later(Scheduler::Task task) {
    std::erase_if(pending_, [](const ScheduledTask& scheduled) { return scheduled.isCancelled(); });
    pending_.push_back(environment_.scheduler.schedule(pasteDelay, std::move(task)));
}

} // namespace quillo
