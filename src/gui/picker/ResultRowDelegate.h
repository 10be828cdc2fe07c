#pragma once

#include <QStyledItemDelegate>

namespace quillo {

/// Draws a result: the snippet's kind as a symbol, its name over its group, on the accent
/// colour when it is the selected row.
class ResultRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace quillo
