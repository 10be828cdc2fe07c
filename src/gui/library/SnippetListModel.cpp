#include "SnippetListModel.h"

#include <QMimeData>
#include <algorithm>

namespace quillo {

namespace {

// More than two lines of any row's width hold; the rest is never drawn.
constexpr qsizetype previewLimit = 400;

} // namespace

SnippetListModel::SnippetListModel(LibraryBrowser& browser, QObject* parent)
    : QAbstractListModel(parent), browser_(browser) {}

bool SnippetListModel::refresh() {
    const std::vector<const Snippet*>& rows = browser_.visibleSnippets();
    const std::optional<SidebarItem>& sidebar = browser_.sidebar();
    const bool showsGroups = sidebar && (sidebar->kind == SidebarItem::Kind::all ||
                                         sidebar->kind == SidebarItem::Kind::recent);
    const bool sameIDs =
        std::equal(rows.begin(), rows.end(), ids_.begin(), ids_.end(),
                   [](const Snippet* snippet, const Uuid& id) { return snippet->id == id; });
    if (sameIDs && showsGroups == showsGroups_) {
        // The same rows; their snippets may have been edited, or moved in memory.
        rows_ = rows;
        previews_.assign(rows_.size(), std::nullopt);
        if (!rows_.empty())
            emit dataChanged(index(0), index(rowCount() - 1));
        return false;
    }
    beginResetModel();
    rows_ = rows;
    ids_.resize(rows_.size());
    std::transform(rows_.begin(), rows_.end(), ids_.begin(),
                   [](const Snippet* snippet) { return snippet->id; });
    showsGroups_ = showsGroups;
    previews_.assign(rows_.size(), std::nullopt);
    endResetModel();
    return true;
}

const Snippet* SnippetListModel::snippetAt(int row) const {
    return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)] : nullptr;
}

int SnippetListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QString SnippetListModel::preview(int row) const {
    std::optional<QString>& cached = previews_[static_cast<std::size_t>(row)];
    if (!cached) {
        QString text = QString::fromStdString(rows_[static_cast<std::size_t>(row)]->plainPreview());
        text.truncate(previewLimit);
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        cached = std::move(text);
    }
    return *cached;
}

QVariant SnippetListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Snippet& snippet = *rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(snippet.name);
    case IdRole:
        return QString::fromStdString(snippet.id.string());
    case PreviewRole:
        return preview(index.row());
    case GroupRole:
        if (const std::optional<std::string> group = browser_.rowGroupName(snippet))
            return QString::fromStdString(*group);
        return {};
    case ShowsGroupsRole:
        return showsGroups_;
    default:
        return {};
    }
}

Qt::ItemFlags SnippetListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList SnippetListModel::mimeTypes() const {
    return {QStringLiteral("text/plain")};
}

QMimeData* SnippetListModel::mimeData(const QModelIndexList& indexes) const {
    QModelIndexList ordered = indexes;
    std::sort(ordered.begin(), ordered.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList ids;
    for (const QModelIndex& index : ordered)
        if (const Snippet* snippet = snippetAt(index.row()))
            ids.append(QString::fromStdString(snippet->id.string()));
    auto* data = new QMimeData;
    data->setText(ids.join(QLatin1Char('\n')));
    return data;
}

Qt::DropActions SnippetListModel::supportedDragActions() const {
    return Qt::MoveAction | Qt::CopyAction;
}

} // namespace quillo
