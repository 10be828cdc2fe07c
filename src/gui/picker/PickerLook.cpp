#include "PickerLook.h"

#include <QFrame>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <algorithm>

namespace quillo::PickerLook {

namespace {

const char* themeName(Symbol symbol) {
    switch (symbol) {
    case Symbol::search:
        return "edit-find";
    case Symbol::form:
        return "document-edit";
    case Symbol::richText:
        return "text-html";
    case Symbol::plainText:
        return "text-x-generic";
    }
    return "";
}

// A sheet with a folded corner and lines of text; formatted text gets lines of mixed width.
void drawDocument(QPainter& painter, qreal s, bool rich) {
    QPainterPath sheet;
    sheet.moveTo(0.2 * s, 0.05 * s);
    sheet.lineTo(0.6 * s, 0.05 * s);
    sheet.lineTo(0.82 * s, 0.27 * s);
    sheet.lineTo(0.82 * s, 0.95 * s);
    sheet.lineTo(0.2 * s, 0.95 * s);
    sheet.closeSubpath();
    painter.drawPath(sheet);
    const qreal widths[] = {0.42, rich ? 0.25 : 0.42, 0.42, rich ? 0.32 : 0.42};
    qreal y = 0.42 * s;
    for (const qreal width : widths) {
        painter.drawLine(QPointF(0.32 * s, y), QPointF((0.32 + width) * s, y));
        y += 0.13 * s;
    }
}

// A speech bubble with two lines of text cut out of it.
void drawBubble(QPainter& painter, qreal s) {
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(0.05 * s, 0.1 * s, 0.9 * s, 0.65 * s), 0.18 * s, 0.18 * s);
    QPainterPath tail;
    tail.moveTo(0.22 * s, 0.7 * s);
    tail.lineTo(0.18 * s, 0.95 * s);
    tail.lineTo(0.45 * s, 0.72 * s);
    tail.closeSubpath();
    painter.fillPath(bubble.united(tail), painter.pen().color());
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.drawLine(QPointF(0.25 * s, 0.33 * s), QPointF(0.75 * s, 0.33 * s));
    painter.drawLine(QPointF(0.25 * s, 0.52 * s), QPointF(0.6 * s, 0.52 * s));
}

// A square with a pencil writing across its corner.
void drawForm(QPainter& painter, qreal s) {
    painter.drawRoundedRect(QRectF(0.08 * s, 0.18 * s, 0.72 * s, 0.72 * s), 0.12 * s, 0.12 * s);
    QPen pencil = painter.pen();
    pencil.setWidthF(pencil.widthF() * 1.8);
    painter.setPen(pencil);
    painter.drawLine(QPointF(0.42 * s, 0.56 * s), QPointF(0.9 * s, 0.08 * s));
}

QPixmap drawnSymbol(Symbol symbol, int size, const QColor& colour, qreal devicePixelRatio) {
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(themeName(symbol)));
    QPixmap pixmap = themed.isNull() ? QPixmap(QSize(size, size) * devicePixelRatio)
                                     : themed.pixmap(QSize(size, size), devicePixelRatio);
    if (themed.isNull()) {
        pixmap.setDevicePixelRatio(devicePixelRatio);
        pixmap.fill(Qt::transparent);
    }
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!themed.isNull()) {
        // Theme icons come in their own colours; symbols are drawn in one.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRectF(QPointF(0, 0), pixmap.deviceIndependentSize()), colour);
        return pixmap;
    }
    const qreal s = size;
    painter.setPen(QPen(colour, std::max(1.0, s / 14), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (symbol) {
    case Symbol::search:
        drawBubble(painter, s);
        break;
    case Symbol::form:
        drawForm(painter, s);
        break;
    case Symbol::richText:
    case Symbol::plainText:
        drawDocument(painter, s, symbol == Symbol::richText);
        break;
    }
    return pixmap;
}

} // namespace

QPixmap symbol(Symbol symbol, int size, const QColor& colour, qreal devicePixelRatio) {
    // Every visible row draws one at each repaint: drawn once, then taken from the cache.
    const QString key = QStringLiteral("quillo-symbol-%1-%2-%3-%4")
                            .arg(static_cast<int>(symbol))
                            .arg(size)
                            .arg(colour.rgba())
                            .arg(devicePixelRatio);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = drawnSymbol(symbol, size, colour, devicePixelRatio);
        QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

QColor secondary(const QPalette& palette) {
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlphaF(0.6f);
    return colour;
}

QColor quaternary(const QPalette& palette) {
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlphaF(0.12f);
    return colour;
}

QColor accent(const QPalette& palette) {
    return palette.color(QPalette::Highlight);
}

QFont caption(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 0.85);
    return font;
}

QFont headline(const QFont& base) {
    QFont font = base;
    font.setWeight(QFont::DemiBold);
    font.setPointSizeF(base.pointSizeF() * 1.1);
    return font;
}

QFrame* divider(Qt::Orientation orientation, QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(orientation == Qt::Horizontal ? QFrame::HLine : QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

} // namespace quillo::PickerLook
