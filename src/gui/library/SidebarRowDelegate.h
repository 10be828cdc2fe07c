#pragma once

#include <QStyledItemDelegate>

namespace quillo {

/// Draws a sidebar row: its symbol and title, and its count at the far end in the
/// secondary colour; the "Groups" heading as a small caption.
class SidebarRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace quillo
