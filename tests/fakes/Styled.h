#pragma once

#include "core/text/StyledText.h"

#include <initializer_list>
#include <string_view>
#include <utility>

namespace quillo::testing {

/// Styled text from (text, attributes) parts, in order.
inline StyledText styled(std::initializer_list<std::pair<std::string_view, TextAttributes>> parts) {
    StyledText text;
    for (const auto& [part, attributes] : parts)
        text.append(part, attributes);
    return text;
}

inline TextAttributes colored(double red, double green, double blue) {
    TextAttributes attributes;
    attributes.color = RgbColor{red, green, blue};
    return attributes;
}

} // namespace quillo::testing
