#include "SidebarRowDelegate.h"

#include "LibraryLook.h"
#include "SidebarModel.h"

#include <QPainter>
#include <QPainterPath>

namespace quillo {

namespace {

constexpr int horizontalPadding = 8;
constexpr int iconSize = 16;
constexpr int iconGap = 8;
constexpr int rowHeightPadding = 10;
constexpr int headingTopPadding = 12;
constexpr qreal cornerRadius = 6;

} // namespace

void SidebarRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const QPalette& palette = option.palette;
    const QRect inner = option.rect.adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    if (index.data(SidebarModel::IsHeadingRole).toBool()) {
        painter->setFont(LibraryLook::semibold(LibraryLook::caption(option.font)));
        painter->setPen(LibraryLook::secondary(palette));
        painter->drawText(inner.adjusted(0, headingTopPadding, 0, 0),
                          Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
        painter->restore();
        return;
    }

    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const bool active = option.state.testFlag(QStyle::State_Active);
    if (selected) {
        QPainterPath background;
        background.addRoundedRect(QRectF(option.rect.adjusted(4, 1, -4, -1)), cornerRadius,
                                  cornerRadius);
        QColor fill =
            palette.color(active ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);
        if (!active)
            fill = LibraryLook::faded(fill, 0.35f);
        painter->fillPath(background, fill);
    }
    const bool onAccent = selected && active;
    const QColor text =
        onAccent ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text);

    const QIcon icon = qvariant_cast<QIcon>(index.data(Qt::DecorationRole));
    int left = inner.left();
    if (!icon.isNull()) {
        const QRect iconRect(left, inner.center().y() - iconSize / 2 + 1, iconSize, iconSize);
        icon.paint(painter, iconRect, Qt::AlignCenter, onAccent ? QIcon::Selected : QIcon::Normal);
        left += iconSize + iconGap;
    }

    int right = inner.right();
    const QVariant count = index.data(SidebarModel::CountRole);
    if (count.isValid()) {
        const QString digits = QString::number(count.toULongLong());
        const QFontMetrics metrics(option.font);
        const int width = metrics.horizontalAdvance(digits);
        painter->setFont(option.font);
        painter->setPen(onAccent ? LibraryLook::faded(text, 0.85f)
                                 : LibraryLook::secondary(palette));
        painter->drawText(QRect(right - width, inner.top(), width, inner.height()),
                          Qt::AlignRight | Qt::AlignVCenter, digits);
        right -= width + iconGap;
    }

    painter->setFont(option.font);
    painter->setPen(text);
    const QFontMetrics metrics(option.font);
    painter->drawText(QRect(left, inner.top(), right - left, inner.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(index.data().toString(), Qt::ElideRight, right - left));
    painter->restore();
}

QSize SidebarRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    const int line = QFontMetrics(option.font).height();
    const int height = std::max(line, iconSize) + rowHeightPadding;
    if (index.data(SidebarModel::IsHeadingRole).toBool())
        return {option.rect.width(), height + headingTopPadding};
    return {option.rect.width(), height};
}

} // namespace quillo
