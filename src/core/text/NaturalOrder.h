#pragma once

#include <string>
#include <string_view>
#include <unicode/coll.h>

namespace quillo {

/// Compares names as a person sorts them in the user's locale (see
/// `DateFormatting::environmentLocaleId`): numbers by value ("Item 2" before "Item 10"),
/// letter case ignored, accents a lesser difference. Negative, zero or positive.
int naturalCompare(std::string_view a, std::string_view b);

/// The same in the given locale ("sv_SE"). The POSIX locale ("en_US_POSIX", what "C"
/// gives) uses the root order, since its own is the ASCII order with case first.
int naturalCompare(std::string_view a, std::string_view b, const std::string& localeId);

/// `naturalCompare` as an ordering for sorts and ordered containers. Cheap to copy: the
/// collator behind it is made once per locale and kept.
class NaturalLess {
public:
    /// In the user's locale.
    NaturalLess();
    /// In the given locale.
    explicit NaturalLess(const std::string& localeId);

    bool operator()(std::string_view a, std::string_view b) const { return compare(a, b) < 0; }
    int compare(std::string_view a, std::string_view b) const;
    /// Bytes whose order (as `std::string` compares them) is this ordering's order of the
    /// texts: for sorting many names often, each key made once.
    std::string sortKey(std::string_view text) const;

private:
    const icu::Collator* collator_; // null when ICU could make none: bytes then decide
};

} // namespace quillo
