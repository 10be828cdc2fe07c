#pragma once

#include "DetailEditor.h"
#include "GroupAlert.h"
#include "core/browser/LibraryBrowser.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <filesystem>

class QAction;
class QSplitter;

namespace quillo {

class DetailPane;
class ConflictBanner;
class ProblemBanner;
class SidebarPane;
class SnippetListPane;

/// The library window: where snippets and groups are browsed, searched, made, moved and
/// deleted. Three columns (the sidebar, the snippet list, the selected snippet's editor)
/// under the problem banner, with a toolbar and the File menu's New Snippet, New Group…
/// and Import from aText… commands. It owns no snippets: it shows its browser's state and
/// repaints after every change of the browser, the library or the application state.
class LibraryWindow final : public QMainWindow {
    Q_OBJECT
public:
    static constexpr QSize minimumContentSize{900, 520};
    static constexpr QSize defaultSize{1180, 720};

    explicit LibraryWindow(const BrowserEnvironment& environment, QWidget* parent = nullptr);
    ~LibraryWindow() override;
    LibraryWindow(const LibraryWindow&) = delete;
    LibraryWindow& operator=(const LibraryWindow&) = delete;

    /// How the detail column's editor is made (see `DetailEditor`); without one, a
    /// read-only stand-in shows the snippet.
    void setEditorFactory(DetailEditorFactory factory);

signals:
    /// "Settings…" was chosen from the menu.
    void settingsRequested();

public:
    LibraryBrowser& browser() { return browser_; }
    SidebarPane* sidebar() const { return sidebar_; }
    SnippetListPane* snippetList() const { return list_; }
    DetailPane* detail() const { return detail_; }
    ProblemBanner* problemBanner() const { return problem_; }
    ConflictBanner* conflictBanner() const { return conflicts_; }
    QAction* newSnippetCommand() const { return newSnippetCommand_; }
    QAction* newGroupCommand() const { return newGroupCommand_; }
    QAction* importCommand() const { return importCommand_; }
    QAction* newSnippetButton() const { return newSnippetButton_; }
    QAction* deleteButton() const { return deleteButton_; }
    /// The delete confirmation while it is shown; null otherwise.
    QMessageBox* deleteConfirmation() const { return confirmation_; }
    /// The group alert while it is shown; null otherwise.
    GroupAlert* groupAlert() const { return alert_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildToolbar();
    void refresh();
    void refreshConfirmation();
    void refreshGroupAlert();
    void mergeConflictCopy(const std::filesystem::path& copy);

    BrowserEnvironment environment_;
    LibraryBrowser browser_;
    LibraryBrowser::ObserverID observer_;
    SidebarPane* sidebar_;
    SnippetListPane* list_;
    DetailPane* detail_;
    ProblemBanner* problem_;
    ConflictBanner* conflicts_;
    QSplitter* columns_;
    QAction* newSnippetCommand_ = nullptr;
    QAction* newGroupCommand_ = nullptr;
    QAction* importCommand_ = nullptr;
    QAction* newSnippetButton_ = nullptr;
    QAction* deleteButton_ = nullptr;
    QPointer<QMessageBox> confirmation_;
    QPointer<GroupAlert> alert_;
    bool appeared_ = false;
};

} // namespace quillo
