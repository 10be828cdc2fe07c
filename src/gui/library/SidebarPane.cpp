#include "SidebarPane.h"

#include "LibraryLook.h"
#include "SidebarModel.h"
#include "SidebarRowDelegate.h"
#include "StatusCard.h"
#include "platform/QtTranslation.h"

#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr int footPadding = 10;
constexpr int footSpacing = 8;

} // namespace

SidebarPane::SidebarPane(LibraryBrowser& browser, AppState& app, const Library& library,
                         QWidget* parent)
    : QWidget(parent), browser_(browser), library_(library), model_(new SidebarModel(this)),
      searchField_(new QLineEdit(this)), list_(new QListView(this)),
      newGroup_(new QToolButton(this)), status_(new StatusCard(app, this)) {
    // TRANSLATORS: The placeholder of the library window's search field.
    searchField_->setPlaceholderText(qi18n("Search"));
    searchField_->setClearButtonEnabled(true);
    searchField_->addAction(LibraryLook::icon(LibraryLook::Symbol::search),
                            QLineEdit::LeadingPosition);
    connect(searchField_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!refreshing_)
            browser_.setSearch(text.toStdString());
    });

    model_->setDropHandler([this](const std::vector<std::string>& items, Uuid group) {
        return browser_.drop(items, group);
    });
    list_->setModel(model_);
    list_->setItemDelegate(new SidebarRowDelegate(list_));
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setDragDropMode(QAbstractItemView::DropOnly);
    list_->setDragDropOverwriteMode(true); // a drop lands on a row, never between rows
    list_->setDropIndicatorShown(true);
    list_->setAcceptDrops(true);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    // The sidebar sits on the window's colour, apart from the list's white.
    list_->viewport()->setAutoFillBackground(false);
    list_->setAutoFillBackground(false);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SidebarPane::userChoseRow);
    connect(list_, &QListView::customContextMenuRequested, this, &SidebarPane::showMenu);

    newGroup_->setText(qi18n("New Group"));
    newGroup_->setIcon(LibraryLook::icon(LibraryLook::Symbol::add));
    newGroup_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    newGroup_->setAutoRaise(true); // borderless
    connect(newGroup_, &QToolButton::clicked, this, [this] { browser_.startNewGroup(); });

    auto* foot = new QVBoxLayout;
    foot->setContentsMargins(footPadding, footPadding, footPadding, footPadding);
    foot->setSpacing(footSpacing);
    foot->addWidget(newGroup_, 0, Qt::AlignLeft);
    foot->addWidget(status_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* top = new QVBoxLayout;
    top->setContentsMargins(footPadding, footPadding, footPadding, 4);
    top->addWidget(searchField_);
    column->addLayout(top);
    column->addWidget(list_, 1);
    column->addLayout(foot);
}

void SidebarPane::refresh() {
    refreshing_ = true;
    const QString search = QString::fromStdString(browser_.search());
    if (searchField_->text() != search)
        searchField_->setText(search);
    model_->setContents(library_.groups(), browser_.counts());

    const std::optional<SidebarItem>& item = browser_.sidebar();
    const int row = item ? model_->rowOf(*item) : -1;
    const QModelIndex current = list_->selectionModel()->selectedIndexes().value(0);
    if (row < 0)
        list_->selectionModel()->clearSelection();
    else if (current.row() != row)
        list_->selectionModel()->setCurrentIndex(model_->index(row),
                                                 QItemSelectionModel::ClearAndSelect);
    refreshing_ = false;
}

void SidebarPane::userChoseRow() {
    if (refreshing_)
        return;
    const QModelIndexList chosen = list_->selectionModel()->selectedIndexes();
    browser_.setSidebar(chosen.isEmpty() ? std::nullopt : model_->itemAt(chosen.front().row()));
}

std::unique_ptr<QMenu> SidebarPane::groupMenu(int row) {
    const std::optional<SnippetGroup> group = model_->groupAt(row);
    if (!group)
        return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    connect(menu->addAction(qi18n("Rename…")), &QAction::triggered, this,
            [this, group = *group] { browser_.startRenaming(group); });
    connect(menu->addAction(qi18n("Delete Group")), &QAction::triggered, this,
            [this, id = group->id] { browser_.deleteGroup(id); });
    return menu;
}

void SidebarPane::showMenu(const QPoint& position) {
    std::unique_ptr<QMenu> menu = groupMenu(list_->indexAt(position).row());
    if (!menu)
        return;
    QMenu* shown = menu.release();
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->popup(list_->viewport()->mapToGlobal(position));
}

} // namespace quillo
