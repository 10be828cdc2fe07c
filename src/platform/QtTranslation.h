#pragma once

#include "core/util/Translation.h"

#include <QString>

namespace quillo {

/// `i18n` for the windows: the user's language's form of an English text. Its "%1" and
/// "%2" are filled with QString::arg.
inline QString qi18n(const char* english) {
    return QString::fromStdString(i18n(english));
}

/// `i18np` for the windows, with "{count}" filled.
inline QString qi18np(const char* singular, const char* plural, unsigned long count) {
    return QString::fromStdString(i18np(singular, plural, count));
}

/// Qt's own texts (the buttons and standard dialogs it draws) in the user's language, from
/// the translations Qt ships, where there are any.
void loadQtTranslations();

} // namespace quillo
