#include "NaturalOrder.h"

#include "DateFormatting.h"
#include "core/util/UnicodeText.h"

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <mutex>
#include <unicode/coll.h>

namespace quillo {

namespace {

std::unique_ptr<icu::Collator> makeCollator(const std::string& localeId) {
    // The POSIX locale's collation is the ASCII order, where "Z" sorts before "a" at the
    // first level whatever the strength; names need the case-blind root order there.
    const icu::Locale locale =
        localeId == "en_US_POSIX" ? icu::Locale::getRoot() : icu::Locale(localeId.c_str());
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || collator == nullptr)
        return nullptr;
    collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    collator->setStrength(icu::Collator::SECONDARY);
    return U_SUCCESS(status) ? std::move(collator) : nullptr;
}

// Making a collator loads and builds locale tables, far dearer than a comparison, so
// each locale's is made once and kept for the life of the process.
const icu::Collator* collatorFor(const std::string& localeId) {
    static std::mutex lock;
    static std::map<std::string, std::unique_ptr<icu::Collator>> collators;
    const std::lock_guard<std::mutex> guard(lock);
    auto [at, added] = collators.try_emplace(localeId);
    if (added)
        at->second = makeCollator(localeId);
    return at->second.get();
}

const icu::Collator* userCollator() {
    static const icu::Collator* const collator = collatorFor(DateFormatting::environmentLocaleId());
    return collator;
}

int compareWith(const icu::Collator* collator, std::string_view a, std::string_view b) {
    if (collator != nullptr) {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult result = collator->compareUTF8(
            icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
            icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
        if (U_SUCCESS(status))
            return static_cast<int>(result);
    }
    const int bytes = a.compare(b);
    return bytes < 0 ? -1 : (bytes > 0 ? 1 : 0);
}

} // namespace

int naturalCompare(std::string_view a, std::string_view b) {
    return compareWith(userCollator(), a, b);
}

int naturalCompare(std::string_view a, std::string_view b, const std::string& localeId) {
    return compareWith(collatorFor(localeId), a, b);
}

NaturalLess::NaturalLess() : collator_(userCollator()) {}

NaturalLess::NaturalLess(const std::string& localeId) : collator_(collatorFor(localeId)) {}

int NaturalLess::compare(std::string_view a, std::string_view b) const {
    return compareWith(collator_, a, b);
}

std::string NaturalLess::sortKey(std::string_view text) const {
    if (collator_ == nullptr)
        return std::string(text);
    // ICU's key ends in its only zero byte, so it can stay in the string: a key that is a
    // prefix of another still sorts first.
    const icu::UnicodeString unicode = toUnicode(text);
    std::string key(text.size() * 2 + 16, '\0');
    for (;;) {
        const int32_t length = collator_->getSortKey(
            unicode, reinterpret_cast<uint8_t*>(key.data()),
            static_cast<int32_t>(std::min<std::size_t>(key.size(), INT32_MAX)));
        if (length <= 0)
            return std::string(text);
        const auto needed = static_cast<std::size_t>(length);
        if (needed <= key.size()) {
            key.resize(needed);
            return key;
        }
        key.resize(needed);
    }
}

} // namespace quillo
