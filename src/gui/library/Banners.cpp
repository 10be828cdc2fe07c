#include "Banners.h"

#include "ElidedLabel.h"
#include "LibraryLook.h"
#include "platform/QtTranslation.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr int iconSize = 16;

QLabel* warningIcon(QWidget* parent) {
    auto* icon = new QLabel(parent);
    icon->setPixmap(LibraryLook::icon(LibraryLook::Symbol::warning)
                        .pixmap(QSize(iconSize, iconSize), parent->devicePixelRatioF()));
    return icon;
}

// An orange tint of `strength` with a hairline at the foot, as warnings are drawn.
void paintWarning(QWidget& banner, float strength) {
    QPainter painter(&banner);
    const QColor orange = LibraryLook::warning(banner.palette());
    painter.fillRect(banner.rect(), LibraryLook::faded(orange, strength));
    painter.setPen(LibraryLook::faded(orange, 0.35f));
    painter.drawLine(banner.rect().bottomLeft(), banner.rect().bottomRight());
}

} // namespace

ProblemBanner::ProblemBanner(QWidget* parent)
    : QWidget(parent), icon_(warningIcon(this)), message_(new QLabel(this)),
      // TRANSLATORS: Shown while the library file was changed outside Quillo and can't be
      // read: Quillo writes its own copy of the library over it.
      useOwnCopy_(new QPushButton(qi18n("Use Quillo's copy"), this)),
      showFiles_(new QPushButton(qi18n("Show Files"), this)),
      // TRANSLATORS: Hides the banner about the library's problem.
      dismiss_(new QPushButton(qi18n("Dismiss"), this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(8);
    row->addWidget(icon_, 0, Qt::AlignTop);
    // The whole sentence always shows: it wraps rather than being cut.
    message_->setWordWrap(true);
    message_->setTextFormat(Qt::PlainText);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(message_, 1);
    row->addWidget(useOwnCopy_);
    row->addWidget(showFiles_);
    row->addWidget(dismiss_);
    useOwnCopy_->hide();
    connect(useOwnCopy_, &QPushButton::clicked, this, &ProblemBanner::useOwnCopyClicked);
    connect(showFiles_, &QPushButton::clicked, this, &ProblemBanner::showFilesClicked);
    connect(dismiss_, &QPushButton::clicked, this, &ProblemBanner::dismissClicked);
    hide();
}

void ProblemBanner::showProblem(const std::optional<std::string>& problem, bool offersOwnCopy) {
    if (problem)
        message_->setText(QString::fromStdString(*problem));
    useOwnCopy_->setVisible(offersOwnCopy);
    setVisible(problem.has_value());
}

void ProblemBanner::paintEvent(QPaintEvent*) {
    paintWarning(*this, 0.12f);
}

ConflictBanner::ConflictBanner(QWidget* parent) : QWidget(parent) {
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(16, 6, 16, 6);
    rows->setSpacing(4);
    hide();
}

void ConflictBanner::showCopies(const std::vector<std::filesystem::path>& copies) {
    setVisible(!copies.empty());
    if (copies == copies_)
        return;
    copies_ = copies;
    auto* rows = static_cast<QVBoxLayout*>(layout());
    while (QLayoutItem* item = rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const std::filesystem::path& copy : copies_) {
        auto* row = new QWidget(this);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(8);
        line->addWidget(warningIcon(row), 0, Qt::AlignTop);
        // TRANSLATORS: %1 is the file name of the copy, which a sync tool left beside the
        // library file.
        auto* text = new QLabel(qi18n("A conflicting copy of your library was left beside it: "
                                      "“%1”. Merge it in to keep what only that copy has.")
                                    .arg(QString::fromStdString(copy.filename().string())),
                                row);
        text->setWordWrap(true);
        text->setTextFormat(Qt::PlainText);
        line->addWidget(text, 1);
        // TRANSLATORS: A button that merges a conflicting copy into the library.
        auto* merge = new QPushButton(qi18n("Merge"), row);
        merge->setObjectName(QStringLiteral("merge"));
        line->addWidget(merge);
        connect(merge, &QPushButton::clicked, this, [this, copy] { emit mergeClicked(copy); });
        rows->addWidget(row);
    }
}

std::vector<QPushButton*> ConflictBanner::mergeButtons() const {
    std::vector<QPushButton*> buttons;
    for (QPushButton* button : findChildren<QPushButton*>(QStringLiteral("merge")))
        buttons.push_back(button);
    return buttons;
}

void ConflictBanner::paintEvent(QPaintEvent*) {
    paintWarning(*this, 0.08f);
}

UndoBanner::UndoBanner(QWidget* parent)
    : QWidget(parent), summary_(new ElidedLabel(this)),
      // TRANSLATORS: Brings back the snippets just deleted.
      undo_(new QPushButton(qi18n("Undo"), this)), dismiss_(new QToolButton(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(8);
    auto* icon = new QLabel(this);
    icon->setPixmap(LibraryLook::icon(LibraryLook::Symbol::trash)
                        .pixmap(QSize(iconSize, iconSize), devicePixelRatioF()));
    row->addWidget(icon);
    row->addWidget(summary_, 1);
    row->addWidget(undo_);
    dismiss_->setIcon(LibraryLook::icon(LibraryLook::Symbol::dismiss));
    // TRANSLATORS: Forgets the deletion that could still be undone.
    dismiss_->setToolTip(qi18n("Dismiss"));
    dismiss_->setAccessibleName(qi18n("Dismiss"));
    dismiss_->setAutoRaise(true); // borderless
    row->addWidget(dismiss_);
    connect(undo_, &QPushButton::clicked, this, &UndoBanner::undoClicked);
    connect(dismiss_, &QToolButton::clicked, this, &UndoBanner::dismissClicked);
    hide();
}

void UndoBanner::showDeletion(const std::optional<std::string>& summary) {
    if (summary)
        summary_->setText(QString::fromStdString(*summary));
    setVisible(summary.has_value());
}

void UndoBanner::paintEvent(QPaintEvent*) {
    // A bar of its own over the list: the window's colour, a hairline above.
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(rect().topLeft(), rect().topRight());
}

} // namespace quillo
