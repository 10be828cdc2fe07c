#pragma once

#include <QIcon>
#include <QString>

class QWidget;

namespace quillo::EditorIcons {

/// The desktop theme's icon of that name; without one, `glyph` drawn in the widget's text
/// colour (a "B" for bold, "{ }" for placeholders), so every button still says what it does.
/// The glyphs "link" and "copy" are drawn as a chain and as two sheets.
QIcon icon(const QString& themeName, const QString& glyph, const QWidget& widget, bool bold = false,
           bool italic = false, bool underline = false, bool strike = false);

/// A filled circle of the colour, for the colour menu.
QIcon swatch(const QColor& colour);

} // namespace quillo::EditorIcons
