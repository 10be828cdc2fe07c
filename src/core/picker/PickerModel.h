#pragma once

#include "PickerSearch.h"
#include "core/model/Library.h"
#include "core/paste/Paster.h"
#include "core/platform/KeyEvent.h"
#include "core/platform/PickerPanel.h"
#include "core/platform/Scheduler.h"
#include "core/platform/Sound.h"
#include "core/platform/Workspace.h"
#include "core/text/Placeholders.h"
#include "core/util/ObserverList.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

/// What the picker works with. The panel and its key monitor are the window's; the model
/// drives them only through these seams.
struct PickerEnvironment {
    Library& library;
    Paster& paster;
    Workspace& workspace;
    Sound& sound;
    Scheduler& scheduler;
    PickerPanel& panel;
    KeyMonitor& keyMonitor;
};

/// The picker's brain: what is typed, what is selected, the fill-in form, the keys, and
/// handing the chosen snippet to the paster. Views observe it and repaint after each change.
/// Main thread only.
class PickerModel {
public:
    enum class Mode { search, fields };
    using ObserverID = ObserverList::ID;

    explicit PickerModel(const PickerEnvironment& environment);
    ~PickerModel();
    PickerModel(const PickerModel&) = delete;
    PickerModel& operator=(const PickerModel&) = delete;

    static void configureShared(const PickerEnvironment& environment);
    static PickerModel& shared();

    // ---- Observed state (observers hear of a change only when a value really changes)

    Mode mode() const { return mode_; }
    const std::string& query() const { return query_; }
    /// Writing the query always puts the selection back on the first row.
    void setQuery(std::string query);
    int selectedIndex() const { return selectedIndex_; }
    void setSelectedIndex(int index);
    const Placeholders::Values& fieldValues() const { return fieldValues_; }
    void setFieldValue(const std::string& name, std::string value);
    const std::optional<Snippet>& fillSnippet() const { return fillSnippet_; }
    /// Changes whenever keyboard focus must be placed afresh; only its changes mean anything.
    int focusToken() const { return focusToken_; }

    // ---- Other state

    bool copyOnly() const { return copyOnly_; }
    bool fieldsFromSearch() const { return fieldsFromSearch_; }
    const std::optional<ApplicationHandle>& target() const { return target_; }
    /// Shows a snippet in the library window; set once at start.
    std::function<void(Uuid)> openInLibrary;

    // ---- Derived, always current

    const SearchCache& search() const { return search_; }

    /// The library's snippets that match the query, best first. Good until the next change
    /// of the library or the query.
    const std::vector<const Snippet*>& results();
    /// The result at the selected index, if it is in range.
    const Snippet* selected();
    /// The fill-in fields of the form's snippet.
    std::vector<Placeholders::Field> fields() const;

    // ---- Operations

    /// Closes the picker when it is shown, else opens it on the search list.
    void toggle();
    /// Opens on the search list with an empty query, remembering the application in front.
    void showSearch();
    /// Opens directly on the snippet's fill-in form.
    void showFields(const Snippet& snippet, bool copyOnly,
                    const std::optional<ApplicationHandle>& target);
    /// Hides the panel; the state stays until the next opening, the query only until the
    /// search lets go of its texts a while later.
    void close();
    /// Uses the current choice: the selected result, or the form's snippet with its values.
    void commit(bool copyOnly);
    /// A key pressed in the panel; true when the picker dealt with it.
    bool handleKey(const KeyEvent& event);

    // ---- Observation

    std::uint64_t revision() const { return revision_; }
    ObserverID addObserver(std::function<void()> observer) {
        return observers_.add(std::move(observer));
    }
    void removeObserver(ObserverID id) { observers_.remove(id); }

private:
    void present();
    void startFields(const Snippet& snippet);
    void finish(const Snippet& snippet, const Placeholders::Values& values,
                std::optional<bool> copyOnly);
    void setMode(Mode mode);
    void bumpFocus();
    void changed();

    PickerEnvironment environment_;
    SearchCache search_;

    Mode mode_ = Mode::search;
    std::string query_;
    int selectedIndex_ = 0;
    Placeholders::Values fieldValues_;
    std::optional<Snippet> fillSnippet_;
    int focusToken_ = 0;
    bool copyOnly_ = false;
    bool fieldsFromSearch_ = false;
    std::optional<ApplicationHandle> target_;
    bool monitorInstalled_ = false;
    std::vector<ScheduledTask> pendingFinishes_;
    ScheduledTask prepareTask_;
    ScheduledTask releaseTask_;

    std::uint64_t revision_ = 0;
    ObserverList observers_;
};

} // namespace quillo
