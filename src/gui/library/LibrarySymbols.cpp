#include "LibrarySymbols.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace quillo::LibraryLook {

namespace {

// Each symbol is drawn on a 24-unit grid, scaled to the box.
constexpr qreal grid = 24;

void tray(QPainter& painter, bool full) {
    QPainterPath outline;
    outline.addRoundedRect(QRectF(3, 8, 18, 13), 2.5, 2.5);
    painter.drawPath(outline);
    QPainterPath lip;
    lip.moveTo(3, 14);
    lip.lineTo(8, 14);
    lip.lineTo(9.5, 16.5);
    lip.lineTo(14.5, 16.5);
    lip.lineTo(16, 14);
    lip.lineTo(21, 14);
    painter.drawPath(lip);
    if (full) {
        painter.drawLine(QPointF(6, 5.5), QPointF(18, 5.5));
        painter.drawLine(QPointF(7.5, 2.5), QPointF(16.5, 2.5));
    }
}

void clock(QPainter& painter) {
    painter.drawEllipse(QPointF(12, 12), 9, 9);
    painter.drawLine(QPointF(12, 12), QPointF(12, 6.5));
    painter.drawLine(QPointF(12, 12), QPointF(16, 14.5));
}

void folder(QPainter& painter) {
    QPainterPath shape;
    shape.moveTo(3, 7);
    shape.quadTo(3, 5, 5, 5);
    shape.lineTo(9.5, 5);
    shape.lineTo(11.5, 7.5);
    shape.lineTo(19, 7.5);
    shape.quadTo(21, 7.5, 21, 9.5);
    shape.lineTo(21, 17);
    shape.quadTo(21, 19, 19, 19);
    shape.lineTo(5, 19);
    shape.quadTo(3, 19, 3, 17);
    shape.closeSubpath();
    painter.drawPath(shape);
    painter.drawLine(QPointF(3, 10.5), QPointF(21, 10.5));
}

void plus(QPainter& painter) {
    painter.drawLine(QPointF(12, 5), QPointF(12, 19));
    painter.drawLine(QPointF(5, 12), QPointF(19, 12));
}

void squareAndPencil(QPainter& painter) {
    QPainterPath sheet;
    sheet.moveTo(12, 5);
    sheet.lineTo(6, 5);
    sheet.quadTo(4, 5, 4, 7);
    sheet.lineTo(4, 18);
    sheet.quadTo(4, 20, 6, 20);
    sheet.lineTo(17, 20);
    sheet.quadTo(19, 20, 19, 18);
    sheet.lineTo(19, 12);
    painter.drawPath(sheet);
    QPainterPath pencil;
    pencil.moveTo(10, 14);
    pencil.lineTo(10.5, 11.5);
    pencil.lineTo(18.5, 3.5);
    pencil.lineTo(20.5, 5.5);
    pencil.lineTo(12.5, 13.5);
    pencil.closeSubpath();
    painter.drawPath(pencil);
}

void trash(QPainter& painter) {
    painter.drawLine(QPointF(4, 6.5), QPointF(20, 6.5));
    QPainterPath handle;
    handle.moveTo(9, 6.5);
    handle.lineTo(9, 4);
    handle.lineTo(15, 4);
    handle.lineTo(15, 6.5);
    painter.drawPath(handle);
    QPainterPath can;
    can.moveTo(6, 6.5);
    can.lineTo(7, 19);
    can.quadTo(7.2, 20.5, 8.7, 20.5);
    can.lineTo(15.3, 20.5);
    can.quadTo(16.8, 20.5, 17, 19);
    can.lineTo(18, 6.5);
    painter.drawPath(can);
    painter.drawLine(QPointF(10, 10), QPointF(10.3, 17));
    painter.drawLine(QPointF(14, 10), QPointF(13.7, 17));
}

void xmark(QPainter& painter) {
    painter.drawLine(QPointF(7, 7), QPointF(17, 17));
    painter.drawLine(QPointF(17, 7), QPointF(7, 17));
}

// A filled shape with a mark cut out of it, as the "fill" variants of the symbols are.
void filledWithCutOut(QPainter& painter, const QPainterPath& shape, const QPainterPath& mark,
                      const QColor& colour) {
    painter.fillPath(shape, colour);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.drawPath(mark);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void warningTriangle(QPainter& painter, const QColor& colour) {
    QPainterPath triangle;
    triangle.moveTo(12, 2.5);
    triangle.lineTo(22.5, 20.5);
    triangle.lineTo(1.5, 20.5);
    triangle.closeSubpath();
    QPainterPath mark;
    mark.moveTo(12, 8.5);
    mark.lineTo(12, 14);
    mark.moveTo(12, 17.2);
    mark.lineTo(12, 17.4);
    QPen pen = painter.pen();
    painter.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(triangle); // rounds the corners
    filledWithCutOut(painter, triangle, mark, colour);
    painter.setPen(pen);
}

void checkmarkCircle(QPainter& painter, const QColor& colour) {
    QPainterPath circle;
    circle.addEllipse(QPointF(12, 12), 10, 10);
    QPainterPath mark;
    mark.moveTo(7.5, 12.5);
    mark.lineTo(10.5, 15.5);
    mark.lineTo(16.5, 8.5);
    filledWithCutOut(painter, circle, mark, colour);
}

void textBubble(QPainter& painter) {
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(2.5, 3.5, 19, 14), 4, 4);
    QPainterPath tail;
    tail.moveTo(6, 16);
    tail.lineTo(5, 21);
    tail.lineTo(10.5, 17.5);
    painter.drawPath(bubble);
    painter.drawPath(tail);
    painter.drawLine(QPointF(7, 8.5), QPointF(17, 8.5));
    painter.drawLine(QPointF(7, 12.5), QPointF(14, 12.5));
}

void magnifier(QPainter& painter) {
    painter.drawEllipse(QPointF(10, 10), 6, 6);
    painter.drawLine(QPointF(14.5, 14.5), QPointF(20, 20));
}

} // namespace

void drawSymbol(QPainter& painter, Symbol symbol, const QRectF& box, const QColor& colour) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    const qreal scale = std::min(box.width(), box.height()) / grid;
    painter.scale(scale, scale);
    // Thin strokes grow a little in small sizes, so they stay visible.
    const qreal width = std::clamp(1.6 / std::max(scale, 0.5), 1.5, 2.2);
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    switch (symbol) {
    case Symbol::allSnippets:
        tray(painter, true);
        break;
    case Symbol::ungrouped:
        tray(painter, false);
        break;
    case Symbol::recentlyUsed:
        clock(painter);
        break;
    case Symbol::group:
        folder(painter);
        break;
    case Symbol::add:
        plus(painter);
        break;
    case Symbol::newSnippet:
        squareAndPencil(painter);
        break;
    case Symbol::trash:
        trash(painter);
        break;
    case Symbol::dismiss:
        xmark(painter);
        break;
    case Symbol::warning:
        warningTriangle(painter, colour);
        break;
    case Symbol::ready:
        checkmarkCircle(painter, colour);
        break;
    case Symbol::snippets:
        textBubble(painter);
        break;
    case Symbol::search:
        magnifier(painter);
        break;
    }
    painter.restore();
}

} // namespace quillo::LibraryLook
