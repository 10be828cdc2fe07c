#pragma once

#include "core/model/Library.h"

#include <QAbstractListModel>
#include <cstdint>
#include <vector>

namespace quillo {

/// The picker's results as list rows. Rows read their snippet only when the view asks, and
/// the view is handed them a few hundred at a time, more as it scrolls down or the
/// selection moves on: laying out a list costs the view a step per row, and a query of one
/// letter in a large library matches most of it. The owner must call `setResults` after
/// every change of the library or the query, since the rows point into the library.
class ResultListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        GroupRole = Qt::UserRole + 1,
        PreviewLineRole,
        IsRichRole,
        IsSelectedRole,
    };

    explicit ResultListModel(const Library& library, QObject* parent = nullptr);

    /// True when the rows were replaced, not only refreshed.
    bool setResults(const std::vector<const Snippet*>& results);
    /// The highlighted row; any value out of range highlights nothing.
    void setSelectedRow(int row);
    int selectedRow() const { return selectedRow_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    /// How many rows the view is handed at a time.
    static constexpr int batch = 200;

private:
    /// Hands the view rows up to `count` (at most all of them).
    void showUpTo(int count);

    const Library& library_;
    std::vector<const Snippet*> results_;
    std::uint64_t libraryRevision_ = 0;
    int selectedRow_ = -1;
    int shown_ = 0;
};

} // namespace quillo
