#include "SnippetListPane.h"

#include "Banners.h"
#include "LibraryLook.h"
#include "MessageView.h"
#include "SnippetListModel.h"
#include "SnippetRowDelegate.h"
#include "platform/QtTranslation.h"

#include <QAction>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace quillo {

SnippetListPane::SnippetListPane(LibraryBrowser& browser, const Library& library, QWidget* parent)
    : QWidget(parent), browser_(browser), library_(library),
      model_(new SnippetListModel(browser, this)), stack_(new QStackedWidget(this)),
      list_(new QListView(stack_)), notice_(new MessageView(stack_)),
      undoBanner_(new UndoBanner(this)) {
    list_->setModel(model_);
    list_->setItemDelegate(new SnippetRowDelegate(list_));
    list_->setUniformItemSizes(true);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setDragEnabled(true);
    list_->setDragDropMode(QAbstractItemView::DragOnly);
    list_->setDefaultDropAction(Qt::MoveAction);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SnippetListPane::userSelected);
    connect(list_, &QListView::customContextMenuRequested, this, &SnippetListPane::showMenu);

    // The Delete key asks to delete the selection, as the toolbar's button does; only
    // while the list has the keyboard, so it never reaches into the editor's text.
    // TRANSLATORS: Deletes the selected snippets (Delete key).
    auto* remove = new QAction(qi18n("Delete"), list_);
    remove->setShortcuts({QKeySequence::Delete, QKeySequence(Qt::Key_Backspace)});
    remove->setShortcutContext(Qt::WidgetShortcut);
    connect(remove, &QAction::triggered, this, [this] { browser_.requestDelete(); });
    list_->addAction(remove);

    stack_->addWidget(list_);
    stack_->addWidget(notice_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(stack_, 1);
    column->addWidget(undoBanner_);
    connect(undoBanner_, &UndoBanner::undoClicked, this, [this] { browser_.undoDelete(); });
    connect(undoBanner_, &UndoBanner::dismissClicked, this, [this] { browser_.dismissUndo(); });
}

void SnippetListPane::refresh() {
    refreshing_ = true;
    const int scrolled = list_->verticalScrollBar()->value();
    const bool replaced = model_->refresh();
    const bool newChoice = browser_.sidebar() != shownSidebar_ || browser_.search() != shownSearch_;
    shownSidebar_ = browser_.sidebar();
    shownSearch_ = browser_.search();
    const bool selectionMoved = browser_.selection() != shownSelection_;
    // Replacing the rows drops the view's selection: it is put back.
    if (replaced || selectionMoved)
        showSelection(selectionMoved);
    // Rows of a new sidebar choice or search start at the top; the same rows after an edit
    // stay where they were scrolled. A selection made elsewhere is scrolled to.
    if (replaced && !selectionMoved)
        list_->verticalScrollBar()->setValue(newChoice ? 0 : scrolled);

    switch (browser_.listNotice()) {
    case ListNotice::none:
        stack_->setCurrentWidget(list_);
        break;
    case ListNotice::noSnippets:
        notice_->setIcon(LibraryLook::icon(LibraryLook::Symbol::snippets));
        notice_->setTitle(qi18n("No Snippets"));
        notice_->setDescription({});
        stack_->setCurrentWidget(notice_);
        break;
    case ListNotice::noResults:
        notice_->setIcon(LibraryLook::icon(LibraryLook::Symbol::search));
        // TRANSLATORS: %1 is what the user searched for.
        notice_->setTitle(
            qi18n("No Results for “%1”").arg(QString::fromStdString(browser_.search())));
        notice_->setDescription(qi18n("Check the spelling or try a new search."));
        stack_->setCurrentWidget(notice_);
        break;
    }

    const std::optional<Deletion>& deletion = library_.lastDeletion();
    undoBanner_->showDeletion(deletion ? std::optional(deletion->summary) : std::nullopt);
    refreshing_ = false;
}

void SnippetListPane::showSelection(bool scroll) {
    const Library::SnippetIDs& wanted = browser_.selection();
    shownSelection_ = wanted;
    // One range per run of selected rows, so selecting everything stays one range.
    QItemSelection selection;
    int first = -1;
    int runStart = -1;
    const std::vector<const Snippet*>& rows = model_->rows();
    const int count = static_cast<int>(rows.size());
    for (int row = 0; row <= count; ++row) {
        const bool selected =
            row < count && wanted.contains(rows[static_cast<std::size_t>(row)]->id);
        if (selected && runStart < 0)
            runStart = row;
        if (!selected && runStart >= 0) {
            selection.select(model_->index(runStart), model_->index(row - 1));
            runStart = -1;
        }
        if (selected && first < 0)
            first = row;
    }
    QItemSelectionModel* model = list_->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    if (first >= 0) {
        if (!model->isSelected(model->currentIndex()))
            model->setCurrentIndex(model_->index(first), QItemSelectionModel::NoUpdate);
        if (scroll)
            list_->scrollTo(model_->index(first));
    }
}

void SnippetListPane::userSelected() {
    if (refreshing_)
        return;
    Library::SnippetIDs ids;
    for (const QModelIndex& index : list_->selectionModel()->selectedIndexes())
        if (const Snippet* snippet = model_->snippetAt(index.row()))
            ids.insert(snippet->id);
    // Known before the browser tells the window, so the list is not scrolled to it.
    shownSelection_ = ids;
    browser_.setSelection(std::move(ids));
}

std::unique_ptr<QMenu> SnippetListPane::rowMenu(int row) {
    const Snippet* snippet = model_->snippetAt(row);
    if (snippet == nullptr)
        return nullptr;
    const Uuid id = snippet->id;
    auto menu = std::make_unique<QMenu>(this);
    connect(menu->addAction(qi18n("Copy to Clipboard")), &QAction::triggered, this,
            [this, id] { browser_.copyToClipboard(id); });
    // TRANSLATORS: In a snippet's menu: makes a copy of the snippet (a verb).
    connect(menu->addAction(qi18n("Duplicate")), &QAction::triggered, this,
            [this, id] { browser_.duplicate(id); });
    QMenu* move = menu->addMenu(qi18n("Move to Group"));
    for (const SnippetGroup& group : library_.groups()) {
        QString name = QString::fromStdString(group.name);
        name.replace(QLatin1Char('&'), QStringLiteral("&&")); // a name, not a mnemonic
        connect(move->addAction(name), &QAction::triggered, this,
                [this, id, group = group.id] { browser_.moveFromRow(id, group); });
    }
    move->addSeparator();
    // TRANSLATORS: In the Move to Group menu: out of any group.
    connect(move->addAction(qi18n("Ungrouped")), &QAction::triggered, this,
            [this, id] { browser_.moveFromRow(id, std::nullopt); });
    menu->addSeparator();
    // TRANSLATORS: In a snippet's menu: deletes that snippet.
    connect(menu->addAction(qi18n("Delete")), &QAction::triggered, this,
            [this, id] { browser_.deleteFromRow(id); });
    return menu;
}

void SnippetListPane::showMenu(const QPoint& position) {
    std::unique_ptr<QMenu> menu = rowMenu(list_->indexAt(position).row());
    if (!menu)
        return;
    QMenu* shown = menu.release();
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->popup(list_->viewport()->mapToGlobal(position));
}

} // namespace quillo
