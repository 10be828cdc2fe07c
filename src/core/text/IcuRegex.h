#pragma once

#include "core/util/UnicodeText.h"

#include <memory>
#include <string>
#include <string_view>
#include <unicode/regex.h>
#include <unicode/unistr.h>

namespace quillo {

/// A compiled ICU regular expression, made once and shared (it is never changed after).
class Regex {
public:
    /// Compiles a fixed pattern of the program; a pattern that fails to compile is a
    /// programming error and stops the program.
    Regex(const char* pattern, uint32_t flags = 0);

    /// A matcher over `text`, which must outlive it. Its backtracking is bounded only by
    /// memory, so a long match never fails half-way.
    std::unique_ptr<icu::RegexMatcher> matcher(const icu::UnicodeString& text) const;

    /// Every match replaced by `replacement` ($1 names the first group). Matches are only
    /// looked for before `searchLimit`, for callers who know that none can start later.
    icu::UnicodeString replaceAll(const icu::UnicodeString& text,
                                  const icu::UnicodeString& replacement,
                                  int32_t searchLimit = -1) const;

    /// The same for a pattern whose every match starts with `first`, with a replacement
    /// taken literally: the engine is asked only at the positions of `first` (before
    /// `searchLimit`), instead of at every position of the text.
    icu::UnicodeString replaceAllStartingWith(const icu::UnicodeString& text, char16_t first,
                                              const icu::UnicodeString& literalReplacement,
                                              int32_t searchLimit) const;

private:
    std::unique_ptr<icu::RegexPattern> pattern_;
};

} // namespace quillo
