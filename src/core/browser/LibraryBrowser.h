#pragma once

#include "SidebarItem.h"
#include "SidebarScope.h"
#include "SnippetListing.h"
#include "core/app/AppState.h"
#include "core/import/ATextImporter.h"
#include "core/model/Library.h"
#include "core/paste/Paster.h"
#include "core/picker/PickerModel.h"
#include "core/platform/FileViewer.h"
#include "core/util/ObserverList.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

/// What the library window works with.
struct BrowserEnvironment {
    Library& library;
    AppState& app;
    PickerModel& picker;
    Paster& paster;
    ATextImporter& importer;
    FileViewer& fileViewer;
};

/// What the detail column shows.
struct DetailContent {
    enum class Kind {
        /// The editor of the one selected snippet.
        editor,
        /// The library has no snippets at all: an invitation to write or import some.
        emptyLibrary,
        /// A title and a description, for no selection or several.
        message,
    };
    Kind kind = Kind::message;
    Uuid snippet{};
    std::string title{};
    std::string description{};
    friend bool operator==(const DetailContent&, const DetailContent&) = default;
};

/// What the snippet list says when it lists nothing while the library has snippets.
enum class ListNotice { none, noSnippets, noResults };

/// The library window's brain: which sidebar row, which snippets selected, what is
/// searched, the group alert and the delete confirmation, and every command of the window.
/// It reads and changes the library only through the library's operations, follows the
/// requests that arrive through the application state, and tells its observers after
/// every change of its own state, of the library or of the application state (once per
/// command, however many changes the command made). Main thread only.
class LibraryBrowser {
public:
    using SnippetIDs = Library::SnippetIDs;
    using ObserverID = ObserverList::ID;

    explicit LibraryBrowser(const BrowserEnvironment& environment);
    ~LibraryBrowser();
    LibraryBrowser(const LibraryBrowser&) = delete;
    LibraryBrowser& operator=(const LibraryBrowser&) = delete;

    // ---- View state

    /// The sidebar row; absent (no row selected) counts as All Snippets.
    const std::optional<SidebarItem>& sidebar() const { return sidebar_; }
    void setSidebar(std::optional<SidebarItem> item);
    /// The selected snippets; may name snippets the list does not show.
    const SnippetIDs& selection() const { return selection_; }
    void setSelection(SnippetIDs ids);
    const std::string& search() const { return search_; }
    void setSearch(std::string text);

    // ---- Derived, always current

    /// The snippets the list shows, in order. Good until the next change.
    const std::vector<const Snippet*>& visibleSnippets();
    /// The sidebar's counts, worked out again only after the library changed.
    const SidebarCounts& counts() const;
    /// The group line of a row: the snippet's group name under All Snippets and Recently
    /// Used, none elsewhere (the sidebar already says which group).
    std::optional<std::string> rowGroupName(const Snippet& snippet) const;
    ListNotice listNotice();
    DetailContent detail() const;
    /// Whether the empty library offers to import aText's newest backup.
    bool canImportLatestBackup() const;

    // ---- Requests from the application and the window

    /// The window is on screen: a snippet already asked for is selected.
    void appear();
    /// Makes a snippet (in the group the sidebar shows), selects it, clears the search
    /// and asks the editor to focus its name.
    void newSnippet();
    void importLatestBackup();
    void chooseAndImport();

    // ---- Rows

    /// Copies the snippet; one with fill-in fields opens the picker's form to copy it.
    void copyToClipboard(Uuid id);
    /// Selects the copy.
    void duplicate(Uuid id);
    /// Moves the selection when it holds the row, else the row alone.
    void moveFromRow(Uuid row, std::optional<Uuid> group);
    /// Asks to delete the selection when it holds the row, else the row alone.
    void deleteFromRow(Uuid row);
    /// Moves the snippets that the dropped texts name (each a snippet id) into the group.
    /// True when some text was an id.
    bool drop(const std::vector<std::string>& items, Uuid group);

    // ---- Deleting snippets

    /// True while the delete confirmation is shown.
    bool confirmDelete() const { return confirmDelete_; }
    /// Asks for confirmation to delete the selection; nothing when it is empty.
    void requestDelete();
    std::string deleteConfirmationTitle() const;
    void confirmDeletion();
    void cancelDeletion();

    // ---- Groups

    /// True while the group alert is shown.
    bool groupAlertShown() const;
    /// The group being renamed; absent when the alert creates a group.
    const std::optional<SnippetGroup>& renamingGroup() const { return renamingGroup_; }
    const std::string& groupName() const { return groupName_; }
    void setGroupName(std::string name);
    /// "New Group" or "Rename Group".
    std::string groupAlertTitle() const;
    /// "Create" or "Rename".
    std::string groupAlertAction() const;
    /// Opens the alert to create a group, with an empty name.
    void startNewGroup();
    /// Opens the alert to rename the group, with its name.
    void startRenaming(const SnippetGroup& group);
    /// Closes the alert; `confirmed` creates or renames with the trimmed name, unless it is
    /// empty. A new group becomes the sidebar's choice.
    void finishGroupAlert(bool confirmed);
    /// Deletes the group (its snippets stay, ungrouped), leaving it first when it is shown.
    void deleteGroup(Uuid id);

    // ---- Banners

    /// Restores the last deletion and shows what came back.
    void undoDelete();
    void dismissUndo();
    void dismissProblem();
    /// Shows the library's folder in the file manager.
    void showFiles();

    // ---- Observation

    std::uint64_t revision() const { return revision_; }
    ObserverID addObserver(std::function<void()> observer) {
        return observers_.add(std::move(observer));
    }
    void removeObserver(ObserverID id) { observers_.remove(id); }

private:
    void libraryChanged();

    /// Holds notifications back while a command runs; one notification follows at its end
    /// when anything changed.
    class Batch {
    public:
        explicit Batch(LibraryBrowser& browser) : browser_(browser) { ++browser_.batchDepth_; }
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        LibraryBrowser& browser_;
    };

    void appStateChanged();
    void changed();

    BrowserEnvironment environment_;
    SnippetListing listing_;
    mutable std::optional<SidebarCounts> counts_;
    mutable std::uint64_t countedRevision_ = 0;

    std::optional<SidebarItem> sidebar_ = SidebarItem::all();
    SnippetIDs selection_;
    std::string search_;
    std::optional<SnippetGroup> renamingGroup_;
    std::string groupName_;
    bool confirmDelete_ = false;

    // The requests of the application state as last seen: only their changes matter.
    std::optional<AppState::Reveal> seenReveal_;
    int seenNewSnippetRequest_;
    bool seenCreatingGroup_;

    Library::ObserverID libraryObserver_;
    AppState::ObserverID appObserver_;
    int batchDepth_ = 0;
    bool pending_ = false;
    std::uint64_t revision_ = 0;
    ObserverList observers_;
};

} // namespace quillo
