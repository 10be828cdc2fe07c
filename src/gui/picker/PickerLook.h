#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QPixmap>

class QFrame;
class QWidget;

namespace quillo::PickerLook {

/// The picker's symbols: a speech bubble, a pencil on a sheet, and documents of formatted
/// or plain text.
enum class Symbol { search, form, richText, plainText };
/// The symbol in one flat colour: the desktop theme's icon of that meaning, or a drawn one
/// of the same meaning when the theme has none.
QPixmap symbol(Symbol symbol, int size, const QColor& colour, qreal devicePixelRatio);

/// Text that steps back: group names, field labels, the footer.
QColor secondary(const QPalette& palette);
/// The faint fill behind key caps.
QColor quaternary(const QPalette& palette);
QColor accent(const QPalette& palette);

QFont caption(const QFont& base);
QFont headline(const QFont& base);

/// A thin line between the parts of the panel.
QFrame* divider(Qt::Orientation orientation, QWidget* parent);

} // namespace quillo::PickerLook
