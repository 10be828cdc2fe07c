// The library's editing operations and the undo of the last deletion.
#include "Library.h"
#include "core/util/Translation.h"
#include "core/util/UnicodeText.h"

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <utility>

namespace quillo {

namespace {

// What makes an imported snippet a duplicate of one the library has.
struct DuplicateKey {
    std::string name; // canonical forms: equivalent spellings give equal keys
    std::string text;
    std::optional<Uuid> groupID;
    SnippetFormat format;

    explicit DuplicateKey(const Snippet& snippet)
        : name(UnicodeText::canonical(snippet.name)), text(UnicodeText::canonical(snippet.text)),
          groupID(snippet.groupID), format(snippet.format) {}
    friend bool operator==(const DuplicateKey&, const DuplicateKey&) = default;
};

struct DuplicateKeyHash {
    std::size_t operator()(const DuplicateKey& key) const {
        std::size_t seed = std::hash<std::string>{}(key.text);
        seed = seed * 31 + std::hash<std::string>{}(key.name);
        seed = seed * 31 + (key.groupID ? std::hash<Uuid>{}(*key.groupID) : 0);
        return seed * 31 + static_cast<std::size_t>(key.format);
    }
};

} // namespace

// ---- Look-ups

const Snippet* Library::snippet(std::optional<Uuid> id) const {
    if (!id)
        return nullptr;
    const auto found = std::find_if(snippets_.begin(), snippets_.end(),
                                    [&](const Snippet& s) { return s.id == *id; });
    return found == snippets_.end() ? nullptr : &*found;
}

const SnippetGroup* Library::group(std::optional<Uuid> id) const {
    if (!id)
        return nullptr;
    const auto found = std::find_if(groups_.begin(), groups_.end(),
                                    [&](const SnippetGroup& g) { return g.id == *id; });
    return found == groups_.end() ? nullptr : &*found;
}

std::string Library::groupName(const Snippet& snippet) const {
    const SnippetGroup* found = group(snippet.groupID);
    return found ? found->name : i18n("Ungrouped");
}

// ---- Snippets

Snippet Library::addSnippet(std::optional<Uuid> groupID) {
    const Date created = clock_.now();
    const Date modified = clock_.now();
    Snippet snippet{.id = Uuid::random(),
                    .name = i18n("New Snippet"),
                    .format = SnippetFormat::rich,
                    .text = {},
                    .groupID = groupID,
                    .created = created,
                    .modified = modified,
                    .lastUsed = std::nullopt,
                    .useCount = 0};
    snippets_.push_back(snippet);
    changed();
    scheduleSave();
    return snippet;
}

std::optional<Snippet> Library::duplicate(Uuid id) {
    const Snippet* source = snippet(id);
    if (!source)
        return std::nullopt;
    Snippet copy = *source;
    copy.id = Uuid::random();
    copy.name += " copy";
    copy.nameStamp = Snippet::freshStamp();
    copy.created = clock_.now();
    copy.modified = clock_.now();
    copy.lastUsed.reset();
    copy.useCount = 0;
    snippets_.push_back(copy);
    changed();
    scheduleSave();
    return copy;
}

void Library::update(const Snippet& snippet) {
    const auto stored = std::find_if(snippets_.begin(), snippets_.end(),
                                     [&](const Snippet& s) { return s.id == snippet.id; });
    if (stored == snippets_.end() || *stored == snippet)
        return;
    const Snippet before = std::exchange(*stored, snippet);
    stored->restamp(&before);
    stored->modified = clock_.now();
    changed();
    scheduleSave();
}

void Library::move(const SnippetIDs& ids, std::optional<Uuid> groupID) {
    // Undoing an earlier group deletion must not pull these back into that group.
    if (lastDeletion_ && lastDeletion_->group_) {
        std::erase_if(lastDeletion_->group_->members,
                      [&](const Uuid& member) { return ids.contains(member); });
    }
    for (Snippet& snippet : snippets_)
        if (ids.contains(snippet.id))
            snippet.groupID = groupID;
    changed();
    scheduleSave();
}

void Library::deleteSnippets(const SnippetIDs& ids) {
    Deletion record("");
    for (std::size_t i = 0; i < snippets_.size(); ++i)
        if (ids.contains(snippets_[i].id))
            record.snippets_.push_back({i, snippets_[i]});
    if (record.snippets_.empty())
        return;
    std::erase_if(snippets_, [&](const Snippet& s) { return ids.contains(s.id); });
    record.summary =
        record.snippets_.size() == 1
            ? fill(i18n("Deleted “{name}”"), {{"name", record.snippets_.front().snippet.name}})
            : i18np("Deleted {count} snippet", "Deleted {count} snippets", record.snippets_.size());
    lastDeletion_ = std::move(record);
    changed();
    scheduleSave();
}

void Library::recordUse(Uuid id) {
    const auto found = std::find_if(snippets_.begin(), snippets_.end(),
                                    [&](const Snippet& s) { return s.id == id; });
    if (found == snippets_.end())
        return;
    // A count read from a file may already be at the top: it stays there.
    if (found->useCount < std::numeric_limits<std::int64_t>::max())
        found->useCount += 1;
    found->lastUsed = clock_.now();
    changed();
    scheduleSave();
}

// ---- Groups

SnippetGroup Library::addGroup(std::string name) {
    SnippetGroup group{.id = Uuid::random(), .name = std::move(name)};
    groups_.push_back(group);
    changed();
    scheduleSave();
    return group;
}

void Library::renameGroup(Uuid id, std::string name) {
    const auto found = std::find_if(groups_.begin(), groups_.end(),
                                    [&](const SnippetGroup& g) { return g.id == id; });
    if (found == groups_.end())
        return;
    found->name = std::move(name);
    changed();
    scheduleSave();
}

void Library::deleteGroup(Uuid id) {
    const auto found = std::find_if(groups_.begin(), groups_.end(),
                                    [&](const SnippetGroup& g) { return g.id == id; });
    if (found == groups_.end())
        return;
    Deletion::RemovedGroup removed{static_cast<std::size_t>(found - groups_.begin()), *found, {}};
    groups_.erase(found);
    for (Snippet& snippet : snippets_) {
        if (snippet.groupID == id) {
            removed.members.push_back(snippet.id);
            snippet.groupID.reset();
        }
    }
    Deletion record(fill(i18n("Deleted the group “{name}”"), {{"name", removed.group.name}}));
    record.group_ = std::move(removed);
    lastDeletion_ = std::move(record);
    changed();
    scheduleSave();
}

// ---- Import

std::size_t Library::merge(const std::vector<SnippetGroup>& groups,
                           const std::vector<Snippet>& snippets) {
    lastDeletion_.reset();

    // Incoming groups join a library group of the same name, ignoring letter case.
    std::unordered_map<std::string, Uuid> groupByName;
    for (const SnippetGroup& group : groups_)
        groupByName.try_emplace(UnicodeText::caselessKey(group.name), group.id);
    // Ids stay unique: a record whose id the library already uses comes in under a new one.
    std::unordered_set<Uuid> groupIDs;
    for (const SnippetGroup& group : groups_)
        groupIDs.insert(group.id);
    std::unordered_map<Uuid, Uuid> groupMap;
    for (SnippetGroup incoming : groups) {
        const Uuid incomingID = incoming.id;
        const auto [entry, isNew] =
            groupByName.try_emplace(UnicodeText::caselessKey(incoming.name), incoming.id);
        if (isNew) {
            if (!groupIDs.insert(incoming.id).second) {
                incoming.id = Uuid::random();
                groupIDs.insert(incoming.id);
                entry->second = incoming.id;
            }
            groups_.push_back(std::move(incoming));
        }
        groupMap[incomingID] = entry->second;
    }

    // Hashing the library's snippets once keeps this linear in the number of snippets.
    std::unordered_set<DuplicateKey, DuplicateKeyHash> present;
    present.reserve(snippets_.size() + snippets.size());
    SnippetIDs snippetIDs;
    snippetIDs.reserve(snippets_.size() + snippets.size());
    for (const Snippet& snippet : snippets_) {
        present.emplace(snippet);
        snippetIDs.insert(snippet.id);
    }

    std::size_t added = 0;
    for (Snippet incoming : snippets) {
        const auto mapped = incoming.groupID ? groupMap.find(*incoming.groupID) : groupMap.end();
        incoming.groupID =
            mapped == groupMap.end() ? std::nullopt : std::optional<Uuid>(mapped->second);
        if (!present.emplace(incoming).second)
            continue;
        while (!snippetIDs.insert(incoming.id).second)
            incoming.id = Uuid::random();
        incoming.restamp(nullptr);
        snippets_.push_back(std::move(incoming));
        ++added;
    }
    changed();
    scheduleSave();
    return added;
}

// ---- Undo

Library::SnippetIDs Library::undoDeletion() {
    if (!lastDeletion_)
        return {};
    Deletion record = std::move(*lastDeletion_);
    lastDeletion_.reset();

    if (record.group_) {
        const Deletion::RemovedGroup& removed = *record.group_;
        if (!group(removed.group.id)) {
            const std::size_t at = std::min(removed.index, groups_.size());
            groups_.insert(groups_.begin() + static_cast<std::ptrdiff_t>(at), removed.group);
        }
        const SnippetIDs members(removed.members.begin(), removed.members.end());
        // Members that joined another group meanwhile stay there.
        for (Snippet& snippet : snippets_)
            if (!snippet.groupID && members.contains(snippet.id))
                snippet.groupID = removed.group.id;
    }

    SnippetIDs restored;
    if (!record.snippets_.empty()) {
        SnippetIDs present;
        present.reserve(snippets_.size());
        for (const Snippet& snippet : snippets_)
            present.insert(snippet.id);
        std::unordered_set<Uuid> groupIDs;
        for (const SnippetGroup& group : groups_)
            groupIDs.insert(group.id);

        // Putting each snippet back at min(position, count), in ascending order, is one
        // merge of the two ordered lists.
        std::vector<Snippet> merged;
        merged.reserve(snippets_.size() + record.snippets_.size());
        auto remaining = snippets_.begin();
        for (Deletion::RemovedSnippet& removed : record.snippets_) {
            if (!present.insert(removed.snippet.id).second)
                continue;
            while (merged.size() < removed.index && remaining != snippets_.end())
                merged.push_back(std::move(*remaining++));
            if (removed.snippet.groupID && !groupIDs.contains(*removed.snippet.groupID))
                removed.snippet.groupID.reset();
            restored.insert(removed.snippet.id);
            merged.push_back(std::move(removed.snippet));
        }
        std::move(remaining, snippets_.end(), std::back_inserter(merged));
        snippets_ = std::move(merged);
    }
    changed();
    scheduleSave();
    return restored;
}

} // namespace quillo
