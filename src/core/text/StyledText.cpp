#include "StyledText.h"

namespace quillo {

StyledText::StyledText(std::string text) {
    append(text);
}

void StyledText::append(std::string_view text, const TextAttributes& attributes) {
    if (text.empty())
        return;
    if (!runs_.empty() && runs_.back().attributes == attributes)
        runs_.back().length += text.size();
    else
        runs_.push_back({text_.size(), text.size(), attributes});
    text_ += text;
}

} // namespace quillo
