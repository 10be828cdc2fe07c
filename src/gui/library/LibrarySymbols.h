#pragma once

#include "LibraryLook.h"

#include <QColor>
#include <QRectF>

class QPainter;

namespace quillo::LibraryLook {

/// Draws one of the window's symbols in a single colour, filling `box` (a square), for
/// desktops whose icon theme has no icon of that meaning.
void drawSymbol(QPainter& painter, Symbol symbol, const QRectF& box, const QColor& colour);

} // namespace quillo::LibraryLook
