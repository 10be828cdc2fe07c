#include "IcuRegex.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace quillo {

Regex::Regex(const char* pattern, uint32_t flags) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError where{};
    pattern_.reset(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(pattern), flags, where, status));
    if (U_FAILURE(status)) {
        std::fprintf(stderr, "Quillo: bad regular expression %s: %s\n", pattern,
                     u_errorName(status));
        std::abort();
    }
}

std::unique_ptr<icu::RegexMatcher> Regex::matcher(const icu::UnicodeString& text) const {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> result(pattern_->matcher(text, status));
    if (U_FAILURE(status))
        std::abort(); // only fails when out of memory
    result->setStackLimit(0, status);
    return result;
}

icu::UnicodeString Regex::replaceAll(const icu::UnicodeString& text,
                                     const icu::UnicodeString& replacement,
                                     int32_t searchLimit) const {
    const std::unique_ptr<icu::RegexMatcher> m = matcher(text);
    UErrorCode status = U_ZERO_ERROR;
    if (searchLimit >= 0)
        m->region(0, searchLimit, status);
    icu::UnicodeString result;
    bool found = false;
    while (m->find(status) && U_SUCCESS(status)) {
        found = true;
        m->appendReplacement(result, replacement, status);
    }
    if (!found)
        return text;
    m->appendTail(result);
    return result;
}

icu::UnicodeString Regex::replaceAllStartingWith(const icu::UnicodeString& text, char16_t first,
                                                 const icu::UnicodeString& literalReplacement,
                                                 int32_t searchLimit) const {
    const std::unique_ptr<icu::RegexMatcher> m = matcher(text);
    icu::UnicodeString result;
    int32_t copied = 0;
    int32_t at = text.indexOf(first, 0, searchLimit);
    while (at >= 0) {
        UErrorCode status = U_ZERO_ERROR;
        int32_t next = at + 1;
        if (m->lookingAt(at, status) && U_SUCCESS(status)) {
            result.append(text, copied, at - copied);
            result.append(literalReplacement);
            copied = next = std::max(m->end(status), at + 1);
        }
        at = next < searchLimit ? text.indexOf(first, next, searchLimit - next) : -1;
    }
    if (copied == 0 && result.isEmpty())
        return text;
    result.append(text, copied, text.length() - copied);
    return result;
}

} // namespace quillo
