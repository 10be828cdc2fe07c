#include "ResultListModel.h"

#include "PreviewText.h"

namespace quillo {

ResultListModel::ResultListModel(const Library& library, QObject* parent)
    : QAbstractListModel(parent), library_(library), libraryRevision_(library.revision()) {}

bool ResultListModel::setResults(const std::vector<const Snippet*>& results) {
    if (results == results_) {
        // Same rows; their snippets may have been edited in place.
        if (library_.revision() != libraryRevision_ && !results_.empty())
            emit dataChanged(index(0), index(rowCount() - 1));
        libraryRevision_ = library_.revision();
        return false;
    }
    beginResetModel();
    results_ = results;
    libraryRevision_ = library_.revision();
    endResetModel();
    return true;
}

void ResultListModel::setSelectedRow(int row) {
    if (row == selectedRow_)
        return;
    const int previous = selectedRow_;
    selectedRow_ = row;
    for (const int changed : {previous, row}) {
        if (changed >= 0 && changed < rowCount())
            emit dataChanged(index(changed), index(changed), {IsSelectedRole});
    }
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(results_.size());
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
