#include "SidebarModel.h"

#include "LibraryLook.h"
#include "platform/QtTranslation.h"

#include <QMimeData>
#include <QRegularExpression>

namespace quillo {

namespace {

const QString textType = QStringLiteral("text/plain");

} // namespace

QVariant SidebarModel::symbolOf(const Row& row) {
    if (!row.item)
        return {};
    switch (row.item->kind) {
    case SidebarItem::Kind::all:
        return LibraryLook::icon(LibraryLook::Symbol::allSnippets);
    case SidebarItem::Kind::recent:
        return LibraryLook::icon(LibraryLook::Symbol::recentlyUsed);
    case SidebarItem::Kind::ungrouped:
        return LibraryLook::icon(LibraryLook::Symbol::ungrouped);
    case SidebarItem::Kind::group:
        return LibraryLook::icon(LibraryLook::Symbol::group);
    }
    return {};
}

SidebarModel::SidebarModel(QObject* parent) : QAbstractListModel(parent) {}

void SidebarModel::setContents(const std::vector<SnippetGroup>& groups,
                               const SidebarCounts& counts) {
    std::vector<Row> rows;
    rows.reserve(groups.size() + 4);
    rows.push_back({.kind = Row::Kind::choice,
                    .item = SidebarItem::all(),
                    .title = qi18n("All Snippets"),
                    .count = counts.all});
    rows.push_back({.kind = Row::Kind::choice,
                    .item = SidebarItem::recent(),
                    .title = qi18n("Recently Used")});
    // TRANSLATORS: The sidebar's heading over the user's groups of snippets.
    rows.push_back({.kind = Row::Kind::heading, .title = qi18n("Groups")});
    for (const SnippetGroup& group : groups)
        rows.push_back({.kind = Row::Kind::group,
                        .item = SidebarItem::ofGroup(group.id),
                        .group = group,
                        .title = QString::fromStdString(group.name),
                        .count = counts.inGroup(group.id)});
    if (counts.ungrouped > 0)
        rows.push_back({.kind = Row::Kind::choice,
                        .item = SidebarItem::ungrouped(),
                        // TRANSLATORS: In the sidebar: the snippets that are in no group.
                        .title = qi18n("Ungrouped"),
                        .count = counts.ungrouped});

    if (rows == rows_)
        return; // nothing to repaint: a search, a selection, an edit of a snippet's text
    if (sameShape(rows, rows_)) {
        rows_ = std::move(rows);
        emit dataChanged(index(0), index(rowCount() - 1));
        return;
    }
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

bool SidebarModel::sameShape(const std::vector<Row>& a, const std::vector<Row>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Row& x, const Row& y) {
        return x.item == y.item && x.kind == y.kind;
    });
}

std::optional<SidebarItem> SidebarModel::itemAt(int row) const {
    if (row < 0 || row >= rowCount())
        return std::nullopt;
    return rows_[static_cast<std::size_t>(row)].item;
}

int SidebarModel::rowOf(const SidebarItem& item) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].item == item)
            return static_cast<int>(i);
    return -1;
}

std::optional<SnippetGroup> SidebarModel::groupAt(int row) const {
    if (row < 0 || row >= rowCount() ||
        rows_[static_cast<std::size_t>(row)].kind != Row::Kind::group)
        return std::nullopt;
    return rows_[static_cast<std::size_t>(row)].group;
}

int SidebarModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant SidebarModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return row.title;
    case CountRole:
        return row.count ? QVariant(static_cast<qulonglong>(*row.count)) : QVariant();
    case Qt::DecorationRole:
        return symbolOf(row);
    case IsHeadingRole:
        return row.kind == Row::Kind::heading;
    default:
        return {};
    }
}

Qt::ItemFlags SidebarModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= rowCount())
        return Qt::NoItemFlags;
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (row.kind) {
    case Row::Kind::heading:
        return Qt::NoItemFlags; // a clicked heading leaves the choice alone
    case Row::Kind::group:
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    case Row::Kind::choice:
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }
    return Qt::NoItemFlags;
}

QStringList SidebarModel::mimeTypes() const {
    return {textType};
}

Qt::DropActions SidebarModel::supportedDropActions() const {
    return Qt::MoveAction | Qt::CopyAction;
}

bool SidebarModel::isDropTarget(const QModelIndex& index) const {
    return index.isValid() && index.row() < rowCount() &&
           rows_[static_cast<std::size_t>(index.row())].kind == Row::Kind::group;
}

bool SidebarModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                   const QModelIndex& parent) const {
    return data != nullptr && data->hasText() && isDropTarget(parent);
}

bool SidebarModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent) || !dropHandler_)
        return false;
    // Each line is one dropped item.
    std::vector<std::string> items;
    for (const QString& line :
         data->text().split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts))
        items.push_back(line.trimmed().toStdString());
    const Uuid group = rows_[static_cast<std::size_t>(parent.row())].group.id;
    return dropHandler_(items, group);
}

} // namespace quillo
