#include "PickerModel.h"

#include "core/util/FreedMemory.h"

#include <algorithm>
#include <stdexcept>

namespace quillo {

namespace {

constexpr std::chrono::milliseconds finishDelay{80};
// How long the search keeps its folded texts after the picker closes: long enough for
// one that is opened again soon, short next to the hours it idles in the tray.
constexpr std::chrono::seconds releaseTextsDelay{60};
// How long after the picker shows its search texts are folded: its first frame comes first.
constexpr std::chrono::milliseconds prepareTextsDelay{50};

std::optional<PickerEnvironment>& sharedEnvironment() {
    static std::optional<PickerEnvironment> environment;
    return environment;
}

bool isRich(const Snippet& snippet) {
    return snippet.format == SnippetFormat::rich;
}

} // namespace

PickerModel::PickerModel(const PickerEnvironment& environment) : environment_(environment) {}

PickerModel::~PickerModel() {
    for (ScheduledTask& task : pendingFinishes_)
        task.cancel();
    prepareTask_.cancel();
    releaseTask_.cancel();
    if (monitorInstalled_)
        environment_.keyMonitor.remove();
}

void PickerModel::configureShared(const PickerEnvironment& environment) {
    sharedEnvironment().emplace(environment);
}

PickerModel& PickerModel::shared() {
    // Made once and never destroyed, like the panel it drives.
    static PickerModel* const model = [] {
        if (!sharedEnvironment())
            throw std::logic_error("PickerModel::configureShared must be called before shared()");
        return new PickerModel(*sharedEnvironment());
    }();
    return *model;
}

// ---- Observed state

void PickerModel::setQuery(std::string query) {
    if (query != query_) {
        query_ = std::move(query);
        changed();
    }
    setSelectedIndex(0);
}

void PickerModel::setSelectedIndex(int index) {
    if (index == selectedIndex_)
        return;
    selectedIndex_ = index;
    changed();
}

void PickerModel::setFieldValue(const std::string& name, std::string value) {
    const auto found = fieldValues_.find(name);
    if (found != fieldValues_.end() && found->second == value)
        return;
    fieldValues_[name] = std::move(value);
    changed();
}

void PickerModel::setMode(Mode mode) {
    if (mode == mode_)
        return;
    mode_ = mode;
    changed();
}

void PickerModel::bumpFocus() {
    ++focusToken_;
    changed();
}

// ---- Derived

const std::vector<const Snippet*>& PickerModel::results() {
    return search_.results(query_, environment_.library);
}

const Snippet* PickerModel::selected() {
    const std::vector<const Snippet*>& found = results();
    if (selectedIndex_ < 0 || static_cast<std::size_t>(selectedIndex_) >= found.size())
        return nullptr;
    return found[static_cast<std::size_t>(selectedIndex_)];
}

std::vector<Placeholders::Field> PickerModel::fields() const {
    if (!fillSnippet_)
        return {};
    return Placeholders::fields(fillSnippet_->text, isRich(*fillSnippet_));
}

// ---- Opening and closing

void PickerModel::toggle() {
    if (environment_.panel.isVisible())
        close();
    else
        showSearch();
}

void PickerModel::showSearch() {
    setMode(Mode::search);
    setQuery("");
    if (fillSnippet_) {
        fillSnippet_.reset();
        changed();
    }
    copyOnly_ = false;
    // The panel is not shown yet, so the application in front is the one the user is in.
    target_ = environment_.workspace.frontmostApplication();
    present();
    // Once the panel is up and drawn, and before the first letter typed usually comes. A
    // letter typed sooner folds them itself.
    prepareTask_.cancel();
    prepareTask_ = environment_.scheduler.schedule(
        prepareTextsDelay, [this] { search_.prepare(environment_.library); });
}

void PickerModel::showFields(const Snippet& snippet, bool copyOnly,
                             const std::optional<ApplicationHandle>& target) {
    copyOnly_ = copyOnly;
    fieldsFromSearch_ = false;
    target_ = target ? target : environment_.workspace.frontmostApplication();
    startFields(snippet);
    present();
}

void PickerModel::startFields(const Snippet& snippet) {
    if (fillSnippet_ != snippet) {
        fillSnippet_ = snippet;
        changed();
    }
    // Not filled with the defaults: an empty value means the default is used.
    if (!fieldValues_.empty()) {
        fieldValues_.clear();
        changed();
    }
    setMode(Mode::fields);
    bumpFocus();
}

void PickerModel::present() {
    releaseTask_.cancel();
    bumpFocus();
    environment_.panel.positionOnActiveScreen();
    environment_.panel.show();
    if (!monitorInstalled_) {
        environment_.keyMonitor.install([this](const KeyEvent& event) { return handleKey(event); });
        monitorInstalled_ = true;
    }
}

void PickerModel::close() {
    environment_.panel.hide();
    if (monitorInstalled_) {
        environment_.keyMonitor.remove();
        monitorInstalled_ = false;
    }
    prepareTask_.cancel();
    releaseTask_.cancel();
    releaseTask_ = environment_.scheduler.schedule(releaseTextsDelay, [this] {
        // The hidden view still asks for the results when the library changes: a query
        // left over would fold the texts again. The next opening starts blank anyway.
        setQuery("");
        search_.releaseTexts();
        returnFreedMemory();
    });
}

// ---- Choosing

void PickerModel::commit(bool copyOnly) {
    if (mode_ == Mode::search) {
        const Snippet* choice = selected();
        if (!choice) {
            environment_.sound.beep();
            return;
        }
        const Snippet snippet = *choice;
        copyOnly_ = copyOnly;
        if (!Placeholders::fields(snippet.text, isRich(snippet)).empty()) {
            fieldsFromSearch_ = true;
            startFields(snippet);
            return;
        }
        finish(snippet, {}, std::nullopt);
        return;
    }
    if (!fillSnippet_)
        return;
    // An empty field falls back to its default when rendered.
    Placeholders::Values values;
    for (const auto& [name, value] : fieldValues_)
        if (!value.empty())
            values.emplace(name, value);
    // Option-Return always copies; plain Return keeps the choice made when the form opened.
    finish(*fillSnippet_, values, copyOnly || copyOnly_);
}

void PickerModel::finish(const Snippet& snippet, const Placeholders::Values& values,
                         std::optional<bool> copyOnly) {
    const bool copy = copyOnly.value_or(copyOnly_);
    const std::optional<ApplicationHandle> target = target_;
    close();
    std::erase_if(pendingFinishes_, [](const ScheduledTask& task) { return task.isCancelled(); });
    // The pause lets the panel go and the keyboard return to the target before the paste.
    // Where the panel took the focus, the paste also waits for the target to have it back.
    Paster& paster = environment_.paster;
    Workspace& workspace = environment_.workspace;
    pendingFinishes_.push_back(environment_.scheduler.schedule(
        finishDelay, [&paster, &workspace, snippet, values, target, copy] {
            if (copy) {
                paster.copy(snippet, values);
                return;
            }
            workspace.afterFocusReturnsTo(target, [&paster, snippet, values, target] {
                paster.paste(snippet, values, target);
            });
        }));
}

// ---- Keys

bool PickerModel::handleKey(const KeyEvent& event) {
    // An input method composing text gets Return, Escape and the arrows.
    if (event.hasMarkedText)
        return false;
    constexpr std::uint64_t modifierMask =
        ModifierFlag::shift | ModifierFlag::control | ModifierFlag::option | ModifierFlag::command;
    const std::uint64_t modifiers = event.modifierFlags & modifierMask;

    switch (event.keyCode) {
    case KeyCode::e: {
        if (modifiers != ModifierFlag::command)
            return false;
        const Snippet* shown =
            mode_ == Mode::fields ? (fillSnippet_ ? &*fillSnippet_ : nullptr) : selected();
        if (!shown)
            return true;
        const Uuid id = shown->id;
        close();
        if (openInLibrary)
            openInLibrary(id);
        return true;
    }
    case KeyCode::returnKey:
    case KeyCode::keypadEnter:
        commit((modifiers & ModifierFlag::option) != 0);
        return true;
    case KeyCode::escape:
        if (mode_ == Mode::fields && fieldsFromSearch_) {
            setMode(Mode::search);
            bumpFocus();
        } else {
            close();
        }
        return true;
    case KeyCode::downArrow: {
        if (mode_ != Mode::search)
            return false;
        const int last = std::max(static_cast<int>(results().size()) - 1, 0);
        setSelectedIndex(std::min(selectedIndex_ + 1, last));
        return true;
    }
    case KeyCode::upArrow:
        if (mode_ != Mode::search)
            return false;
        setSelectedIndex(std::max(selectedIndex_ - 1, 0));
        return true;
    default:
        return false;
    }
}

// ---- Observation

void PickerModel::changed() {
    ++revision_;
    observers_.notify();
}

} // namespace quillo
