#include "EditorIcons.h"

#include <QPainter>
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
    painter.setPen(widget.palette().color(QPalette::WindowText));
    painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, glyph);
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
