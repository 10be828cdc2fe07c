#include "ResultListModel.h"

#include "PreviewText.h"

#include <algorithm>

namespace quillo {

ResultListModel::ResultListModel(const Library& library, QObject* parent)
    : QAbstractListModel(parent), library_(library), libraryRevision_(library.revision()) {}

bool ResultListModel::setResults(const std::vector<const Snippet*>& results) {
    if (results == results_) {
        // Same rows; their snippets may have been edited in place.
        if (library_.revision() != libraryRevision_ && shown_ > 0)
            emit dataChanged(index(0), index(shown_ - 1));
        libraryRevision_ = library_.revision();
        return false;
    }
    beginResetModel();
    results_ = results;
    shown_ = static_cast<int>(std::min<std::size_t>(results_.size(), batch));
    libraryRevision_ = library_.revision();
    endResetModel();
    return true;
}

void ResultListModel::showUpTo(int count) {
    count = std::min(count, static_cast<int>(results_.size()));
    if (count <= shown_)
        return;
    beginInsertRows({}, shown_, count - 1);
    shown_ = count;
    endInsertRows();
}

bool ResultListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && shown_ < static_cast<int>(results_.size());
}

void ResultListModel::fetchMore(const QModelIndex& parent) {
    if (!parent.isValid())
        showUpTo(shown_ + batch);
}

void ResultListModel::setSelectedRow(int row) {
    if (row == selectedRow_)
        return;
    const int previous = selectedRow_;
    selectedRow_ = row;
    // A selection moved past the rows handed over brings the next ones with it.
    if (row >= shown_)
        showUpTo(row + batch);
    for (const int changed : {previous, row}) {
        if (changed >= 0 && changed < rowCount())
            emit dataChanged(index(changed), index(changed), {IsSelectedRole});
    }
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Snippet& snippet = *results_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(snippet.name);
    case GroupRole:
        return QString::fromStdString(library_.groupName(snippet));
    case PreviewLineRole:
    case Qt::ToolTipRole:
        return QString::fromStdString(previewLine(snippet));
    case IsRichRole:
        return snippet.format == SnippetFormat::rich;
    case IsSelectedRole:
        return index.row() == selectedRow_;
    default:
        return {};
    }
}

} // namespace quillo
