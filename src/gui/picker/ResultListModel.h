#pragma once

#include "core/model/Library.h"

#include <QAbstractListModel>
#include <cstdint>
#include <vector>

namespace quillo {

/// The picker's results as list rows. Rows read their snippet only when the view asks, so
/// a library of thousands costs nothing until a row scrolls into sight. The owner must call
/// `setResults` after every change of the library or the query, since the rows point into
/// the library.
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

private:
    const Library& library_;
    std::vector<const Snippet*> results_;
    std::uint64_t libraryRevision_ = 0;
    int selectedRow_ = -1;
};

} // namespace quillo
