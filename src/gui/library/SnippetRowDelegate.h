#pragma once

#include <QStyledItemDelegate>

namespace quillo {

/// Draws a snippet row: the name in medium weight, the preview on up to two lines in the
/// secondary colour, and the group line when the list shows one. Every row has the same
/// height, so the list lays out ten thousand rows without measuring them.
class SnippetRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace quillo
