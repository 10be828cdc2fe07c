#pragma once

#include "core/browser/SidebarItem.h"
#include "core/browser/SidebarScope.h"
#include "core/model/Snippet.h"

#include <QAbstractListModel>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

/// The sidebar's rows: All Snippets and Recently Used, then under a "Groups" heading one
/// row per group and Ungrouped while it holds snippets. Group rows take dropped snippet
/// ids (text, one per line) and hand them to the drop handler.
class SidebarModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        /// The number beside the title; invalid for a row without one.
        CountRole = Qt::UserRole + 1,
        /// True for the "Groups" heading, which is not a choice.
        IsHeadingRole,
    };
    /// Moves the snippets the texts name into the group; true when anything was moved.
    using DropHandler = std::function<bool(const std::vector<std::string>& items, Uuid group)>;

    explicit SidebarModel(QObject* parent = nullptr);

    /// Rebuilds the rows; rows that stay where they were are only repainted.
    void setContents(const std::vector<SnippetGroup>& groups, const SidebarCounts& counts);
    void setDropHandler(DropHandler handler) { dropHandler_ = std::move(handler); }

    /// The choice a row stands for; absent for the heading.
    std::optional<SidebarItem> itemAt(int row) const;
    /// The row of a choice; -1 when there is none.
    int rowOf(const SidebarItem& item) const;
    /// The group a row shows, when it is a group row.
    std::optional<SnippetGroup> groupAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

private:
    struct Row {
        enum class Kind { choice, heading, group };
        Kind kind = Kind::choice;
        std::optional<SidebarItem> item{};
        SnippetGroup group{};
        QString title{};
        std::optional<std::size_t> count{};
        friend bool operator==(const Row&, const Row&) = default;
    };

    static QVariant symbolOf(const Row& row);
    static bool sameShape(const std::vector<Row>& a, const std::vector<Row>& b);
    bool isDropTarget(const QModelIndex& index) const;

    std::vector<Row> rows_;
    DropHandler dropHandler_;
};

} // namespace quillo
