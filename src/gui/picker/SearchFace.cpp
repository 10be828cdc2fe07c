#include "SearchFace.h"

#include "PickerLook.h"
#include "PreviewPane.h"
#include "PreviewText.h"
#include "ResultListModel.h"
#include "ResultRowDelegate.h"
#include "platform/QtTranslation.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr int listWidth = 300;

QString emptySearchText(const QString& query) {
    // TRANSLATORS: %1 is what the user searched for.
    const QString title = qi18n("No Results for “%1”").arg(query);
    return QStringLiteral("<b>%1</b><br>%2")
        .arg(title.toHtmlEscaped(),
             qi18n("Check the spelling or try a new search.").toHtmlEscaped());
}

} // namespace

SearchFace::SearchFace(PickerModel& model, const Library& library, const Clock& clock,
                       QWidget* parent)
    : QWidget(parent), model_(model), clock_(clock), results_(new ResultListModel(library, this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildTopBar());
    column->addWidget(PickerLook::divider(Qt::Horizontal, this));

    auto* body = new QHBoxLayout;
    body->setSpacing(0);
    body->addWidget(buildResults());
    body->addWidget(PickerLook::divider(Qt::Vertical, this));
    preview_ = new PreviewPane(this);
    body->addWidget(preview_, 1);
    column->addLayout(body, 1);
}

QWidget* SearchFace::buildTopBar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(18, 18, 18, 14);
    row->setSpacing(10);

    auto* symbol = new QLabel(bar);
    symbol->setPixmap(PickerLook::symbol(PickerLook::Symbol::search, 26,
                                         PickerLook::accent(palette()), devicePixelRatioF()));
    row->addWidget(symbol);

    searchField_ = new QLineEdit(bar);
    searchField_->setFrame(false);
    searchField_->setPlaceholderText(qi18n("Search snippets"));
    QFont large = searchField_->font();
    large.setPixelSize(22);
    searchField_->setFont(large);
    searchField_->setAttribute(Qt::WA_MacShowFocusRect, false);
    // Blend into the panel rather than look like a form field.
    QPalette plain = searchField_->palette();
    plain.setColor(QPalette::Base, Qt::transparent);
    searchField_->setPalette(plain);
    connect(searchField_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setQuery(text.toStdString()); });
    row->addWidget(searchField_, 1);
    return bar;
}

QWidget* SearchFace::buildResults() {
    auto* holder = new QWidget(this);
    holder->setFixedWidth(listWidth);
    auto* stack = new QGridLayout(holder);
    // With the rows' own spacing this leaves 8 points around the list.
    stack->setContentsMargins(7, 7, 7, 7);

    resultList_ = new QListView(holder);
    resultList_->setModel(results_);
    resultList_->setItemDelegate(new ResultRowDelegate(resultList_));
    resultList_->setUniformItemSizes(true);
    resultList_->setSpacing(1);
    resultList_->setFrameShape(QFrame::NoFrame);
    resultList_->setSelectionMode(QAbstractItemView::NoSelection);
    resultList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resultList_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // The keyboard stays in the search field; the picker moves the selection itself.
    resultList_->setFocusPolicy(Qt::NoFocus);
    resultList_->viewport()->setAutoFillBackground(false);
    resultList_->setAutoFillBackground(false);
    connect(resultList_, &QListView::clicked, this, &SearchFace::choose);
    connect(resultList_, &QListView::doubleClicked, this, &SearchFace::chooseAndCommit);
    stack->addWidget(resultList_, 0, 0);

    emptyNotice_ = new QLabel(holder);
    emptyNotice_->setAlignment(Qt::AlignCenter);
    emptyNotice_->setWordWrap(true);
    emptyNotice_->setTextFormat(Qt::RichText);
    emptyNotice_->setContentsMargins(18, 18, 18, 18);
    emptyNotice_->setAttribute(Qt::WA_TransparentForMouseEvents);
    emptyNotice_->hide();
    stack->addWidget(emptyNotice_, 0, 0);
    return holder;
}

void SearchFace::refresh() {
    const QString query = QString::fromStdString(model_.query());
    if (searchField_->text() != query)
        searchField_->setText(query);

    const bool replaced = results_->setResults(model_.results());
    // Scroll only when the selection moved, so a change elsewhere leaves the list alone.
    const bool moved = replaced || results_->selectedRow() != model_.selectedIndex();
    results_->setSelectedRow(model_.selectedIndex());
    const bool empty = results_->rowCount() == 0;
    emptyNotice_->setVisible(empty);
    if (empty)
        emptyNotice_->setText(emptySearchText(query));

    if (const Snippet* selected = model_.selected()) {
        if (moved)
            resultList_->scrollTo(results_->index(model_.selectedIndex()),
                                  QAbstractItemView::EnsureVisible);
        preview_->showPreview(QString::fromStdString(selected->name),
                              QString::fromStdString(previewText(*selected, {}, clock_.now())));
    } else {
        preview_->clear();
    }
}

void SearchFace::choose(const QModelIndex& index) {
    if (index.isValid())
        model_.setSelectedIndex(index.row());
}

void SearchFace::chooseAndCommit(const QModelIndex& index) {
    if (!index.isValid())
        return;
    if (index.row() != model_.selectedIndex())
        model_.setSelectedIndex(index.row());
    model_.commit(false);
}

} // namespace quillo
