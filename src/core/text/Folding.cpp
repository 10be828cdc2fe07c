#include "Folding.h"

#include "IcuRegex.h"

#include <cstdlib>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>

namespace quillo {

namespace {

const icu::Normalizer2& nfd() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* form = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status) || form == nullptr)
        std::abort(); // the data is built into ICU
    return *form;
}

const icu::Normalizer2& nfc() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* form = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status) || form == nullptr)
        std::abort();
    return *form;
}

bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

std::string fold(std::string_view text) {
    // Search folds every snippet's text on each keystroke; most of it is ASCII, which
    // has no marks, folds to its lowercase and is already normalised.
    if (isAscii(text)) {
        std::string result(text);
        for (char& c : result) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return result;
    }

    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString decomposed = nfd().normalize(toUnicode(text), status);
    icu::UnicodeString unmarked(decomposed.length(), 0, 0); // empty, with room
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK)
            unmarked.append(c);
        i += U16_LENGTH(c);
    }
    unmarked.foldCase(U_FOLD_CASE_DEFAULT);
    const icu::UnicodeString composed = nfc().normalize(unmarked, status);
    return toUtf8(U_SUCCESS(status) ? composed : unmarked);
}

} // namespace quillo
