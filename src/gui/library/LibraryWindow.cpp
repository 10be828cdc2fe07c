#include "LibraryWindow.h"

#include "Banners.h"
#include "DetailPane.h"
#include "GroupAlert.h"
#include "LibraryLook.h"
#include "SidebarPane.h"
#include "SnippetListPane.h"
#include "core/browser/BrowserTexts.h"
#include "platform/QtTranslation.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>
#include <utility>

namespace quillo {

namespace {

constexpr int sidebarWidth = 230;
constexpr int listWidth = 330;

QString keyText(const QKeySequence& keys) {
    return keys.toString(QKeySequence::NativeText);
}

/// A hairline between the columns that can still be dragged, as desktop sidebars have.
class HairlineHandle final : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Mid));
    }
};

class ColumnSplitter final : public QSplitter {
public:
    using QSplitter::QSplitter;

protected:
    QSplitterHandle* createHandle() override { return new HairlineHandle(orientation(), this); }
};

} // namespace

LibraryWindow::LibraryWindow(const BrowserEnvironment& environment, QWidget* parent)
    : QMainWindow(parent), environment_(environment), browser_(environment) {
    setObjectName(QStringLiteral("library"));
    setWindowTitle(QStringLiteral("Quillo"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("quillo")));
    setMinimumSize(minimumContentSize);
    resize(defaultSize);

    auto* content = new QWidget(this);
    problem_ = new ProblemBanner(content);
    conflicts_ = new ConflictBanner(content);
    columns_ = new ColumnSplitter(Qt::Horizontal, content);
    columns_->setHandleWidth(1);
    sidebar_ = new SidebarPane(browser_, environment.app, environment.library, columns_);
    list_ = new SnippetListPane(browser_, environment.library, columns_);
    detail_ = new DetailPane(browser_, environment.library, columns_);
    columns_->addWidget(sidebar_);
    columns_->addWidget(list_);
    columns_->addWidget(detail_);
    columns_->setChildrenCollapsible(false);
    columns_->setStretchFactor(0, 0);
    columns_->setStretchFactor(1, 0);
    columns_->setStretchFactor(2, 1);
    columns_->setSizes({sidebarWidth, listWidth, defaultSize.width() - sidebarWidth - listWidth});
    sidebar_->setMinimumWidth(180);
    list_->setMinimumWidth(260);
    detail_->setMinimumWidth(380);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(problem_);
    column->addWidget(conflicts_);
    column->addWidget(columns_, 1);
    setCentralWidget(content);
    connect(problem_, &ProblemBanner::showFilesClicked, this, [this] { browser_.showFiles(); });
    connect(problem_, &ProblemBanner::dismissClicked, this, [this] { browser_.dismissProblem(); });
    connect(problem_, &ProblemBanner::useOwnCopyClicked, this,
            [this] { environment_.library.useOwnCopy(); });
    connect(conflicts_, &ConflictBanner::mergeClicked, this, &LibraryWindow::mergeConflictCopy);

    buildMenus();
    buildToolbar();
    observer_ = browser_.addObserver([this] { refresh(); });
    refresh();
}

LibraryWindow::~LibraryWindow() {
    browser_.removeObserver(observer_);
    // The views hold the browser: they go first, while it is still there.
    delete confirmation_.data();
    delete alert_.data();
    delete takeCentralWidget();
}

void LibraryWindow::setEditorFactory(DetailEditorFactory factory) {
    detail_->setEditorFactory(std::move(factory));
}

void LibraryWindow::buildMenus() {
    // TRANSLATORS: The library window's menu; "&" marks the letter that opens it with Alt.
    QMenu* file = menuBar()->addMenu(qi18n("&File"));
    // These only ask: the window (this one) answers the application state's requests.
    newSnippetCommand_ = file->addAction(qi18n("New Snippet"));
    newSnippetCommand_->setShortcut(QKeySequence::New);
    connect(newSnippetCommand_, &QAction::triggered, this,
            [this] { environment_.app.requestNewSnippet(); });
    newGroupCommand_ = file->addAction(qi18n("New Group…"));
    newGroupCommand_->setShortcut(QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_N));
    connect(newGroupCommand_, &QAction::triggered, this,
            [this] { environment_.app.setCreatingGroup(true); });
    file->addSeparator();
    importCommand_ = file->addAction(qi18n("Import from aText…"));
    connect(importCommand_, &QAction::triggered, this, [this] { browser_.chooseAndImport(); });
    file->addSeparator();
    // Also here, for desktops that show no tray icon.
    QAction* settings = file->addAction(qi18n("Settings…"));
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, this, &LibraryWindow::settingsRequested);
    file->addSeparator();
    QAction* closeWindow = file->addAction(qi18n("Close Window"));
    closeWindow->setShortcut(QKeySequence::Close);
    connect(closeWindow, &QAction::triggered, this, &QWidget::close);
}

void LibraryWindow::buildToolbar() {
    // TRANSLATORS: The name of the library window's toolbar, which assistive technology reads.
    QToolBar* bar = addToolBar(qi18n("Toolbar"));
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->toggleViewAction()->setVisible(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setContextMenuPolicy(Qt::NoContextMenu);

    newSnippetButton_ =
        bar->addAction(LibraryLook::icon(LibraryLook::Symbol::newSnippet), qi18n("New Snippet"));
    // TRANSLATORS: The tooltip of the toolbar's New Snippet button; %1 is its keyboard
    // shortcut, such as Ctrl+N.
    newSnippetButton_->setToolTip(qi18n("New snippet (%1)").arg(keyText(QKeySequence::New)));
    connect(newSnippetButton_, &QAction::triggered, this, [this] { browser_.newSnippet(); });
    // TRANSLATORS: A toolbar button that deletes the selected snippets.
    deleteButton_ = bar->addAction(LibraryLook::icon(LibraryLook::Symbol::trash), qi18n("Delete"));
    deleteButton_->setToolTip(qi18n("Delete selected snippets"));
    connect(deleteButton_, &QAction::triggered, this, [this] { browser_.requestDelete(); });
}

void LibraryWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!appeared_) {
        appeared_ = true;
        browser_.appear();
    }
}

void LibraryWindow::refresh() {
    sidebar_->refresh();
    list_->refresh();
    detail_->refresh();
    problem_->showProblem(environment_.library.problem(),
                          environment_.library.unreadableChange().has_value());
    conflicts_->showCopies(environment_.library.conflictCopies());
    deleteButton_->setEnabled(!browser_.selection().empty());
    refreshConfirmation();
    refreshGroupAlert();
}

void LibraryWindow::mergeConflictCopy(const std::filesystem::path& copy) {
    if (const std::optional<std::string> failure = environment_.library.mergeConflictCopy(copy))
        QMessageBox::warning(this, QStringLiteral("Quillo"), QString::fromStdString(*failure));
}

void LibraryWindow::refreshConfirmation() {
    if (!browser_.confirmDelete()) {
        if (QMessageBox* box = std::exchange(confirmation_, nullptr)) {
            box->disconnect(this);
            box->close();
            box->deleteLater();
        }
        return;
    }
    if (confirmation_)
        return;
    auto* box = new QMessageBox(this);
    confirmation_ = box;
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QStringLiteral("Quillo"));
    box->setText(QString::fromStdString(browser_.deleteConfirmationTitle()));
    box->setInformativeText(QString::fromStdString(i18n(BrowserTexts::deleteConfirmationMessage)));
    // The question stands out over the explanation, and the explanation reads on one line.
    if (auto* question = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
        question->setFont(LibraryLook::semibold(question->font()));
    if (auto* explanation = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        explanation->setMinimumWidth(
            explanation->fontMetrics().horizontalAdvance(explanation->text()));
    // TRANSLATORS: The button that confirms deleting snippets.
    QPushButton* remove = box->addButton(qi18n("Delete"), QMessageBox::DestructiveRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(remove);
    connect(box, &QDialog::finished, this, [this, box, remove] {
        if (confirmation_ == box)
            confirmation_ = nullptr;
        box->deleteLater();
        if (box->clickedButton() == remove)
            browser_.confirmDeletion();
        else
            browser_.cancelDeletion();
    });
    box->open();
}

void LibraryWindow::refreshGroupAlert() {
    if (!browser_.groupAlertShown()) {
        if (GroupAlert* alert = std::exchange(alert_, nullptr)) {
            alert->disconnect(this);
            alert->close();
            alert->deleteLater();
        }
        return;
    }
    if (!alert_) {
        auto* alert = new GroupAlert(this);
        alert_ = alert;
        connect(alert, &GroupAlert::nameEdited, this,
                [this](const QString& name) { browser_.setGroupName(name.toStdString()); });
        connect(alert, &QDialog::finished, this, [this, alert](int result) {
            if (alert_ == alert)
                alert_ = nullptr;
            alert->deleteLater();
            browser_.finishGroupAlert(result == QDialog::Accepted);
        });
        alert->open();
    }
    alert_->setTexts(QString::fromStdString(browser_.groupAlertTitle()),
                     QString::fromStdString(browser_.groupAlertAction()));
    alert_->setName(QString::fromStdString(browser_.groupName()));
}

} // namespace quillo
