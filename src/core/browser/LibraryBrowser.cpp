#include "LibraryBrowser.h"

#include "BrowserTexts.h"
#include "core/text/Placeholders.h"
#include "core/util/Translation.h"

#include <utility>

namespace quillo {

LibraryBrowser::Batch::~Batch() {
    if (--browser_.batchDepth_ == 0 && browser_.pending_) {
        browser_.pending_ = false;
        ++browser_.revision_;
        browser_.observers_.notify();
    }
}

LibraryBrowser::LibraryBrowser(const BrowserEnvironment& environment)
    : environment_(environment), seenReveal_(environment.app.revealRequest()),
      seenNewSnippetRequest_(environment.app.newSnippetRequest()),
      seenCreatingGroup_(environment.app.creatingGroup()) {
    libraryObserver_ = environment_.library.addObserver([this] { libraryChanged(); });
    appObserver_ = environment_.app.addObserver([this] { appStateChanged(); });
}

LibraryBrowser::~LibraryBrowser() {
    environment_.library.removeObserver(libraryObserver_);
    environment_.app.removeObserver(appObserver_);
}

// ---- View state

void LibraryBrowser::setSidebar(std::optional<SidebarItem> item) {
    if (item == sidebar_)
        return;
    sidebar_ = item;
    changed();
}

void LibraryBrowser::setSelection(SnippetIDs ids) {
    if (ids == selection_)
        return;
    selection_ = std::move(ids);
    changed();
}

void LibraryBrowser::setSearch(std::string text) {
    if (text == search_)
        return;
    search_ = std::move(text);
    changed();
}

// ---- Derived

const std::vector<const Snippet*>& LibraryBrowser::visibleSnippets() {
    return listing_.visibleSnippets(environment_.library, sidebar_, search_);
}

const SidebarCounts& LibraryBrowser::counts() const {
    // Every change of the library moves its revision on, so the revision tells the counts'
    // age (the library outlives the window).
    if (!counts_ || countedRevision_ != environment_.library.revision()) {
        counts_ = countSnippets(environment_.library);
        countedRevision_ = environment_.library.revision();
    }
    return *counts_;
}

std::optional<std::string> LibraryBrowser::rowGroupName(const Snippet& snippet) const {
    if (!sidebar_ ||
        (sidebar_->kind != SidebarItem::Kind::all && sidebar_->kind != SidebarItem::Kind::recent))
        return std::nullopt;
    return environment_.library.groupName(snippet);
}

ListNotice LibraryBrowser::listNotice() {
    if (!visibleSnippets().empty() || environment_.library.snippets().empty())
        return ListNotice::none;
    return search_.empty() ? ListNotice::noSnippets : ListNotice::noResults;
}

DetailContent LibraryBrowser::detail() const {
    const Library& library = environment_.library;
    if (selection_.size() == 1) {
        if (const Snippet* snippet = library.snippet(*selection_.begin()))
            return {.kind = DetailContent::Kind::editor, .snippet = snippet->id};
    }
    if (library.snippets().empty())
        return {.kind = DetailContent::Kind::emptyLibrary};
    return {.kind = DetailContent::Kind::message,
            .title = BrowserTexts::selectionTitle(selection_.size()),
            .description =
                BrowserTexts::searchAndPasteHint(environment_.app.shortcut().displayString())};
}

bool LibraryBrowser::canImportLatestBackup() const {
    return environment_.importer.latestBackup().has_value();
}

// ---- Requests

void LibraryBrowser::appear() {
    if (const std::optional<AppState::Reveal>& reveal = environment_.app.revealRequest())
        setSelection({reveal->id});
}

void LibraryBrowser::appStateChanged() {
    const Batch batch(*this);
    AppState& app = environment_.app;
    if (app.revealRequest() != seenReveal_) {
        seenReveal_ = app.revealRequest();
        if (seenReveal_) {
            setSidebar(SidebarItem::all());
            setSearch("");
            setSelection({seenReveal_->id});
        }
    }
    if (app.creatingGroup() != seenCreatingGroup_) {
        seenCreatingGroup_ = app.creatingGroup();
        // A request from the menu starts from an empty name, as the sidebar's button does.
        if (seenCreatingGroup_ && !renamingGroup_)
            setGroupName("");
    }
    if (app.newSnippetRequest() != seenNewSnippetRequest_) {
        seenNewSnippetRequest_ = app.newSnippetRequest();
        newSnippet();
    }
    changed(); // the status card and the hints follow the permission and the shortcut
}

void LibraryBrowser::newSnippet() {
    {
        const Batch batch(*this);
        std::optional<Uuid> group;
        if (sidebar_ && sidebar_->kind == SidebarItem::Kind::group)
            group = sidebar_->group;
        if (sidebar_ == SidebarItem::recent())
            setSidebar(SidebarItem::all());
        setSearch("");
        const Snippet snippet = environment_.library.addSnippet(group);
        setSelection({snippet.id});
    }
    // Once the window shows the new snippet's editor, so that the editor sees the request.
    environment_.app.requestFocusName();
}

// Not batched: the importer's alerts run an event loop, and the window must not paint a
// list that still points into the library as it was before the merge.
void LibraryBrowser::importLatestBackup() {
    environment_.importer.importLatest();
}

void LibraryBrowser::chooseAndImport() {
    environment_.importer.chooseAndImport();
}

// ---- Rows

void LibraryBrowser::copyToClipboard(Uuid id) {
    const Snippet* found = environment_.library.snippet(id);
    if (found == nullptr)
        return;
    // A copy: the paste records a use, which changes the library under the pointer.
    const Snippet snippet = *found;
    if (Placeholders::fields(snippet.text, snippet.format == SnippetFormat::rich).empty())
        environment_.paster.copy(snippet, {});
    else
        environment_.picker.showFields(snippet, true, std::nullopt);
}

void LibraryBrowser::duplicate(Uuid id) {
    const Batch batch(*this);
    if (const std::optional<Snippet> copy = environment_.library.duplicate(id))
        setSelection({copy->id});
}

void LibraryBrowser::moveFromRow(Uuid row, std::optional<Uuid> group) {
    const SnippetIDs ids = selection_.contains(row) ? selection_ : SnippetIDs{row};
    environment_.library.move(ids, group);
}

void LibraryBrowser::deleteFromRow(Uuid row) {
    const Batch batch(*this);
    if (!selection_.contains(row))
        setSelection({row});
    if (!confirmDelete_) {
        confirmDelete_ = true;
        changed();
    }
}

bool LibraryBrowser::drop(const std::vector<std::string>& items, Uuid group) {
    SnippetIDs ids;
    for (const std::string& item : items)
        if (const std::optional<Uuid> id = Uuid::parse(item))
            ids.insert(*id);
    if (ids.empty())
        return false;
    environment_.library.move(ids, group);
    return true;
}

// ---- Deleting snippets

void LibraryBrowser::requestDelete() {
    if (selection_.empty() || confirmDelete_)
        return;
    confirmDelete_ = true;
    changed();
}

std::string LibraryBrowser::deleteConfirmationTitle() const {
    return BrowserTexts::deleteConfirmationTitle(selection_.size());
}

void LibraryBrowser::confirmDeletion() {
    if (!confirmDelete_)
        return;
    const Batch batch(*this);
    confirmDelete_ = false;
    changed();
    environment_.library.deleteSnippets(selection_);
    setSelection({});
}

void LibraryBrowser::cancelDeletion() {
    if (!confirmDelete_)
        return;
    confirmDelete_ = false;
    changed();
}

// ---- Groups

bool LibraryBrowser::groupAlertShown() const {
    return renamingGroup_.has_value() || environment_.app.creatingGroup();
}

void LibraryBrowser::setGroupName(std::string name) {
    if (name == groupName_)
        return;
    groupName_ = std::move(name);
    changed();
}

std::string LibraryBrowser::groupAlertTitle() const {
    return renamingGroup_ ? i18n("Rename Group") : i18n("New Group");
}

std::string LibraryBrowser::groupAlertAction() const {
    // TRANSLATORS: the button that confirms the group dialog.
    return renamingGroup_ ? i18n("Rename") : i18n("Create");
}

void LibraryBrowser::startNewGroup() {
    const Batch batch(*this);
    setGroupName("");
    environment_.app.setCreatingGroup(true);
}

void LibraryBrowser::startRenaming(const SnippetGroup& group) {
    const Batch batch(*this);
    setGroupName(group.name);
    renamingGroup_ = group;
    changed();
}

void LibraryBrowser::finishGroupAlert(bool confirmed) {
    const Batch batch(*this);
    const std::optional<SnippetGroup> renaming = std::exchange(renamingGroup_, std::nullopt);
    changed();
    environment_.app.setCreatingGroup(false);
    if (!confirmed)
        return;
    std::string name = BrowserTexts::trimmedGroupName(groupName_);
    if (name.empty())
        return;
    if (renaming) {
        environment_.library.renameGroup(renaming->id, std::move(name));
    } else {
        const SnippetGroup group = environment_.library.addGroup(std::move(name));
        setSidebar(SidebarItem::ofGroup(group.id));
    }
}

void LibraryBrowser::deleteGroup(Uuid id) {
    const Batch batch(*this);
    if (sidebar_ == SidebarItem::ofGroup(id))
        setSidebar(SidebarItem::all());
    environment_.library.deleteGroup(id);
}

// ---- Banners

void LibraryBrowser::undoDelete() {
    Library& library = environment_.library;
    if (!library.lastDeletion())
        return;
    const Batch batch(*this);
    const std::optional<Uuid> restoredGroup = library.lastDeletion()->restoredGroupID();
    const SnippetIDs restored = library.undoDeletion();
    setSearch("");
    if (restoredGroup) {
        setSidebar(SidebarItem::ofGroup(*restoredGroup));
        setSelection({});
    } else if (!restored.empty()) {
        setSidebar(SidebarItem::all());
        setSelection(restored);
    }
}

void LibraryBrowser::dismissUndo() {
    environment_.library.dismissDeletion();
}

void LibraryBrowser::dismissProblem() {
    environment_.library.setProblem(std::nullopt);
}

void LibraryBrowser::showFiles() {
    environment_.fileViewer.reveal(environment_.library.folderURL());
}

// ---- Observation

void LibraryBrowser::libraryChanged() {
    // Snippets also leave the library from elsewhere, as when its file changed outside the
    // program: they leave the selection too.
    const Library& library = environment_.library;
    if (selection_.size() <= 4) {
        std::erase_if(selection_, [&](const Uuid& id) { return !library.snippet(id); });
    } else {
        SnippetIDs present;
        present.reserve(library.snippets().size());
        for (const Snippet& snippet : library.snippets())
            present.insert(snippet.id);
        std::erase_if(selection_, [&](const Uuid& id) { return !present.contains(id); });
    }
    changed();
}

void LibraryBrowser::changed() {
    if (batchDepth_ > 0) {
        pending_ = true;
        return;
    }
    ++revision_;
    observers_.notify();
}

} // namespace quillo
