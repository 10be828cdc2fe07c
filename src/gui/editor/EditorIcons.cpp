#include "EditorIcons.h"

#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QWidget>

namespace quillo::EditorIcons {

QIcon icon(const QString& themeName, const QString& glyph, const QWidget& widget, bool bold,
           bool italic, bool underline, bool strike) {
    if (QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    const qreal ratio = widget.devicePixelRatioF();
    QPixmap pixmap(QSize(32, 32) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font = widget.font();
    font.setPixelSize(glyph.size() > 1 ? 15 : 19);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strike);
    painter.setFont(font);
    const QColor ink = widget.palette().color(QPalette::WindowText);
    painter.setPen(QPen(ink, 2.2));
    painter.setRenderHint(QPainter::Antialiasing);
    // Symbols the usual fonts lack are drawn.
    if (glyph == QLatin1String("link")) {
        painter.translate(16, 16);
        painter.rotate(-45);
        painter.drawRoundedRect(QRectF(-13, -4.5, 14, 9), 4.5, 4.5);
        painter.drawRoundedRect(QRectF(-1, -4.5, 14, 9), 4.5, 4.5);
    } else if (glyph == QLatin1String("copy")) {
        painter.drawRoundedRect(QRectF(6, 9, 13, 16), 2.5, 2.5);
        painter.drawRoundedRect(QRectF(12, 5, 13, 16), 2.5, 2.5);
    } else {
        painter.setPen(ink);
        painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, glyph);
    }
    return QIcon(pixmap);
}

QIcon swatch(const QColor& colour) {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(2, 2, 20, 20));
    return QIcon(pixmap);
}

} // namespace quillo::EditorIcons
