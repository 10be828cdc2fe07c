#pragma once

#include "core/browser/LibraryBrowser.h"

#include <QAbstractListModel>
#include <optional>
#include <vector>

namespace quillo {

/// The snippet list's rows, read from the browser's visible snippets. A row reads its
/// snippet only when the view asks, so ten thousand rows cost nothing until they scroll
/// into sight. Rows drag as the text of their snippets' ids, one per line. The owner calls
/// `refresh` after every change of the browser, since the rows point into the library.
class SnippetListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        /// The preview, one line of text that the row wraps onto two.
        PreviewRole,
        /// The group line; invalid when the row shows none.
        GroupRole,
        /// Whether the rows show a group line at all (the same for every row).
        ShowsGroupsRole,
    };

    explicit SnippetListModel(LibraryBrowser& browser, QObject* parent = nullptr);

    /// Takes the browser's rows. Returns true when the rows were replaced (not only
    /// repainted), which loses the view's selection.
    bool refresh();

    /// The snippet of a row; null when out of range.
    const Snippet* snippetAt(int row) const;
    const std::vector<const Snippet*>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    QString preview(int row) const;

    LibraryBrowser& browser_;
    std::vector<const Snippet*> rows_;
    std::vector<Uuid> ids_;
    bool showsGroups_ = false;
    /// Previews made so far, by row; emptied whenever the rows change.
    mutable std::vector<std::optional<QString>> previews_;
};

} // namespace quillo
