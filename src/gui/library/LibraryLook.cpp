#include "LibraryLook.h"

#include "LibrarySymbols.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <algorithm>

namespace quillo::LibraryLook {

namespace {

const char* themeName(Symbol symbol) {
    switch (symbol) {
    case Symbol::allSnippets:
        return "mail-folder-inbox";
    case Symbol::recentlyUsed:
        return "document-open-recent";
    case Symbol::group:
        return "folder";
    case Symbol::ungrouped:
        return "inbox";
    case Symbol::add:
        return "list-add";
    case Symbol::newSnippet:
        return "document-new";
    case Symbol::trash:
        return "user-trash";
    case Symbol::dismiss:
        return "window-close";
    case Symbol::warning:
        return "dialog-warning";
    case Symbol::ready:
        return "emblem-ok";
    case Symbol::snippets:
        return "mail-message";
    case Symbol::search:
        return "edit-find";
    }
    return "";
}

/// A drawn symbol in the colour its meaning gives it: the accent for the sidebar's
/// places, orange for warnings, the secondary colour for quiet marks, text colour for
/// commands. Painted afresh for every size, so it is sharp at any scale.
class SymbolEngine final : public QIconEngine {
public:
    explicit SymbolEngine(Symbol symbol) : symbol_(symbol) {}

    QIconEngine* clone() const override { return new SymbolEngine(symbol_); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio =
            painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1;
        painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, ratio));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        QPixmap pixmap(size * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        const qreal side = std::min(size.width(), size.height());
        const QRectF box((size.width() - side) / 2, (size.height() - side) / 2, side, side);
        drawSymbol(painter, symbol_, box, colour(mode));
        return pixmap;
    }

private:
    QColor colour(QIcon::Mode mode) const {
        const QPalette palette = QGuiApplication::palette();
        if (mode == QIcon::Selected)
            return palette.color(QPalette::HighlightedText);
        QColor tint;
        switch (symbol_) {
        case Symbol::allSnippets:
        case Symbol::recentlyUsed:
        case Symbol::group:
        case Symbol::ungrouped:
            tint = palette.color(QPalette::Highlight);
            break;
        case Symbol::warning:
            tint = warning(palette);
            break;
        case Symbol::ready:
        case Symbol::snippets:
        case Symbol::search:
            tint = secondary(palette);
            break;
        default:
            tint = palette.color(QPalette::ButtonText);
            break;
        }
        return mode == QIcon::Disabled ? faded(tint, 0.35f) : tint;
    }

    Symbol symbol_;
};

} // namespace

QIcon icon(Symbol symbol) {
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(themeName(symbol)));
    return themed.isNull() ? QIcon(new SymbolEngine(symbol)) : themed;
}

QColor secondary(const QPalette& palette) {
    return faded(palette.color(QPalette::WindowText), 0.62f);
}

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor warning(const QPalette& palette) {
    // The system orange, darkened on light backgrounds so text in it stays readable.
    return isDark(palette) ? QColor(255, 159, 10) : QColor(196, 102, 0);
}

QColor faded(QColor colour, float alpha) {
    colour.setAlphaF(alpha);
    return colour;
}

QFont medium(const QFont& base) {
    QFont font = base;
    font.setWeight(QFont::Medium);
    return font;
}

QFont semibold(const QFont& base) {
    QFont font = base;
    font.setWeight(QFont::DemiBold);
    return font;
}

QFont callout(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 0.93);
    return font;
}

QFont caption(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 0.85);
    return font;
}

QFont messageTitle(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 1.45);
    font.setWeight(QFont::DemiBold);
    return font;
}

} // namespace quillo::LibraryLook
