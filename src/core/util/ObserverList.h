#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace quillo {

/// Callbacks to run after a change. An observer may add or remove observers, itself
/// included, while it is being called.
class ObserverList {
public:
    using ID = std::uint64_t;

    ID add(std::function<void()> observer) {
        const ID id = nextID_++;
        observers_.emplace(id, std::move(observer));
        return id;
    }

    void remove(ID id) { observers_.erase(id); }

    void notify() {
        // Walk a snapshot of the ids and skip any removed meanwhile.
        std::vector<ID> ids;
        ids.reserve(observers_.size());
        for (const auto& entry : observers_)
            ids.push_back(entry.first);
        for (const ID id : ids) {
            const auto found = observers_.find(id);
            if (found != observers_.end()) {
                const std::function<void()> observer = found->second;
                observer();
            }
        }
    }

private:
    ID nextID_ = 1;
    std::map<ID, std::function<void()>> observers_;
};

} // namespace quillo
