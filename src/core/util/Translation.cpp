#include "Translation.h"

#include <algorithm>
#include <clocale>
#include <libintl.h>

namespace quillo {

namespace {
constexpr const char* domain = "quillo";
}

std::string i18n(const char* english) {
    return ::dgettext(domain, english);
}

std::string i18np(const char* singular, const char* plural, unsigned long count) {
    return fill(::dngettext(domain, singular, plural, count), {{"count", std::to_string(count)}});
}

std::string fill(std::string_view text,
                 std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
    std::string filled;
    filled.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('{', at);
        const std::size_t close = open == std::string_view::npos ? open : text.find('}', open + 1);
        if (close == std::string_view::npos) {
            filled += text.substr(at);
            break;
        }
        const std::string_view name = text.substr(open + 1, close - open - 1);
        const auto value = std::find_if(values.begin(), values.end(),
                                        [name](const auto& pair) { return pair.first == name; });
        filled += text.substr(at, open - at);
        if (value == values.end()) {
            filled += '{';
            at = open + 1;
        } else {
            filled += value->second;
            at = close + 1;
        }
    }
    return filled;
}

namespace Translation {

void setUp(const std::filesystem::path& catalogs) {
    // Only the messages' category: numbers and the like keep the C locale's forms, which
    // the library file and the command line's output rely on.
    std::setlocale(LC_MESSAGES, "");
    ::bindtextdomain(domain, catalogs.c_str());
    ::bind_textdomain_codeset(domain, "UTF-8");
}

} // namespace Translation

} // namespace quillo
