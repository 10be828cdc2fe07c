#pragma once

#include "core/platform/Pasteboard.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillo::testing {

/// A clipboard in memory: every write (clearing, each `setData`, `writeItems`, the user's
/// copies) is one change. `setData` fills the first item, replacing a type already set.
class FakePasteboard final : public Pasteboard {
public:
    std::int64_t changeCount() const override { return changeCount_; }

    void clearContents() override {
        items_.clear();
        declaredTypes_.clear();
        ++changeCount_;
    }

    void declareTypes(const std::vector<std::string>& types) override { declaredTypes_ = types; }

    void setData(const std::string& type, const std::string& data) override {
        if (items_.empty())
            items_.emplace_back();
        auto& entries = items_.front().data;
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [&](const auto& entry) { return entry.first == type; });
        if (found != entries.end())
            found->second = data;
        else
            entries.emplace_back(type, data);
        ++changeCount_;
    }

    /// The UTF-8 plain type of the first item offering one, else its bare "text/plain".
    std::optional<std::string> plainString() const override {
        for (const PasteboardItem& item : items_)
            for (const char* wanted : {PasteboardType::plainText, "text/plain"})
                for (const auto& [type, data] : item.data)
                    if (type == wanted)
                        return data;
        return std::nullopt;
    }

    std::vector<PasteboardItem> items() const override { return items_; }

    void writeItems(const std::vector<PasteboardItem>& items) override {
        items_.insert(items_.end(), items.begin(), items.end());
        ++changeCount_;
    }

    // ---- For tests

    /// Another program (the user) puts plain text on the clipboard: one change.
    void userCopies(const std::string& text) {
        userCopiesItems({PasteboardItem{{{PasteboardType::plainText, text}}}});
    }
    /// Another program puts these items on the clipboard: one change.
    void userCopiesItems(std::vector<PasteboardItem> items) {
        items_ = std::move(items);
        declaredTypes_.clear();
        ++changeCount_;
    }

    /// The types last declared since the clipboard was last cleared, in the order given.
    const std::vector<std::string>& declaredTypes() const { return declaredTypes_; }
    /// The types of the first item, in the order they were set.
    std::vector<std::string> types() const {
        std::vector<std::string> result;
        if (!items_.empty())
            for (const auto& entry : items_.front().data)
                result.push_back(entry.first);
        return result;
    }
    /// The data of `type` in the first item that has it.
    std::optional<std::string> data(std::string_view type) const {
        for (const PasteboardItem& item : items_)
            for (const auto& [name, value] : item.data)
                if (name == type)
                    return value;
        return std::nullopt;
    }

private:
    std::vector<PasteboardItem> items_;
    std::vector<std::string> declaredTypes_;
    std::int64_t changeCount_ = 0;
};

} // namespace quillo::testing
