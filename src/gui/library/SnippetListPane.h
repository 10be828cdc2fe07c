#pragma once

#include "core/browser/LibraryBrowser.h"

#include <QWidget>
#include <memory>
#include <optional>
#include <string>

class QListView;
class QMenu;
class QStackedWidget;

namespace quillo {

class MessageView;
class SnippetListModel;
class UndoBanner;

/// The window's middle column: the snippets the browser lists, with multiple selection,
/// dragging onto groups and each row's context menu; a notice when nothing is listed; and
/// at its foot the undo banner.
class SnippetListPane final : public QWidget {
    Q_OBJECT
public:
    SnippetListPane(LibraryBrowser& browser, const Library& library, QWidget* parent = nullptr);

    /// Shows the browser's state: rows, selection, notice and banner.
    void refresh();

    QListView* list() const { return list_; }
    SnippetListModel* model() const { return model_; }
    MessageView* notice() const { return notice_; }
    UndoBanner* undoBanner() const { return undoBanner_; }
    /// The context menu of a row, in the order Copy to Clipboard, Duplicate, Move to Group,
    /// Delete; null outside the rows.
    std::unique_ptr<QMenu> rowMenu(int row);

private:
    void userSelected();
    void showSelection(bool scroll);
    void showMenu(const QPoint& position);

    LibraryBrowser& browser_;
    const Library& library_;
    SnippetListModel* model_;
    QStackedWidget* stack_;
    QListView* list_;
    MessageView* notice_;
    UndoBanner* undoBanner_;
    Library::SnippetIDs shownSelection_;
    // What the rows were chosen by, as last shown: a new choice starts at the top.
    std::optional<SidebarItem> shownSidebar_;
    std::string shownSearch_;
    bool refreshing_ = false;
};

} // namespace quillo
