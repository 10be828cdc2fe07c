#include "ResultRowDelegate.h"

#include "PickerLook.h"
#include "ResultListModel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace quillo {

namespace {

constexpr int horizontalPadding = 8;
constexpr int verticalPadding = 6;
constexpr int symbolWidth = 18;
constexpr int symbolGap = 10;
constexpr int lineGap = 1;
constexpr qreal cornerRadius = 7;

} // namespace

void ResultRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const bool selected = index.data(ResultListModel::IsSelectedRole).toBool();
    const QPalette& palette = option.palette;
    const QColor white(Qt::white);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (selected) {
        QPainterPath background;
        background.addRoundedRect(QRectF(option.rect), cornerRadius, cornerRadius);
        painter->fillPath(background, PickerLook::accent(palette));
    }

    const QRect inner = option.rect.adjusted(horizontalPadding, verticalPadding, -horizontalPadding,
                                             -verticalPadding);
    const bool rich = index.data(ResultListModel::IsRichRole).toBool();
    const QPixmap symbol = PickerLook::symbol(
        rich ? PickerLook::Symbol::richText : PickerLook::Symbol::plainText, symbolWidth,
        selected ? white : PickerLook::secondary(palette), painter->device()->devicePixelRatioF());
    painter->drawPixmap(inner.left(), inner.center().y() - symbolWidth / 2, symbol);

    const QFont nameFont = option.font;
    const QFont groupFont = PickerLook::caption(option.font);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics groupMetrics(groupFont);
    const int textLeft = inner.left() + symbolWidth + symbolGap;
    const int textWidth = inner.right() - textLeft;
    const int textHeight = nameMetrics.height() + lineGap + groupMetrics.height();
    const int top = inner.center().y() - textHeight / 2;

    QColor groupColour = selected ? white : PickerLook::secondary(palette);
    if (selected)
        groupColour.setAlphaF(0.8f);

    painter->setFont(nameFont);
    painter->setPen(selected ? white : palette.color(QPalette::Text));
    painter->drawText(QRect(textLeft, top, textWidth, nameMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      nameMetrics.elidedText(index.data().toString(), Qt::ElideRight, textWidth));
    painter->setFont(groupFont);
    painter->setPen(groupColour);
    const QString group = index.data(ResultListModel::GroupRole).toString();
    painter->drawText(
        QRect(textLeft, top + nameMetrics.height() + lineGap, textWidth, groupMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        groupMetrics.elidedText(group, Qt::ElideRight, textWidth));
    painter->restore();
}

QSize ResultRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    const int textHeight = QFontMetrics(option.font).height() + lineGap +
                           QFontMetrics(PickerLook::caption(option.font)).height();
    return {option.rect.width(), std::max(textHeight, symbolWidth) + 2 * verticalPadding};
}

} // namespace quillo
