#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPalette>

class QWidget;

namespace quillo::LibraryLook {

/// The library window's symbols, each the desktop theme's icon of that meaning, or a drawn
/// one of the same meaning where the theme has none.
enum class Symbol {
    allSnippets,
    recentlyUsed,
    group,
    ungrouped,
    add,
    newSnippet,
    trash,
    dismiss,
    warning,
    ready,
    snippets,
    search,
};
QIcon icon(Symbol symbol);

/// Text that steps back: counts, previews, group lines, descriptions.
QColor secondary(const QPalette& palette);
/// The warning colour of banners and the permission card, readable on the palette.
QColor warning(const QPalette& palette);
/// A colour at a fraction of its opacity, for tinted backgrounds.
QColor faded(QColor colour, float alpha);
bool isDark(const QPalette& palette);

QFont medium(const QFont& base);
QFont semibold(const QFont& base);
/// A little smaller than body text: previews, the permission card's heading.
QFont callout(const QFont& base);
/// Smaller still: group lines, the status line, descriptions in the card.
QFont caption(const QFont& base);
/// The title of a centred message.
QFont messageTitle(const QFont& base);

} // namespace quillo::LibraryLook
