#pragma once

#include "KeyedArchive.h"
#include "core/text/StyledText.h"

#include <optional>
#include <string_view>

namespace quillo {

/// Attributed text of a keyed archive: the text with its bold, italic, underline,
/// strikethrough, colour and link runs. Absent when the object is not attributed text.
/// Runs that don't cover the text leave the rest unstyled, runs past its end are cut,
/// and a run table cut short throws ArchiveError.
std::optional<StyledText> archivedStyledText(const KeyedArchive& archive, KeyedArchive::Ref object);

/// Bold and italic as a font's PostScript name tells them, from the style after the last
/// hyphen ("Helvetica-BoldOblique" is both; "Menlo" neither).
struct FontTraits {
    bool bold = false;
    bool italic = false;
};
FontTraits fontTraits(std::string_view postScriptName);

/// An archived colour in sRGB; absent for the system's text colours, which mean "no colour
/// of its own", and for colours that can't be read.
std::optional<RgbColor> archivedColor(const KeyedArchive& archive, KeyedArchive::Ref object);

} // namespace quillo
