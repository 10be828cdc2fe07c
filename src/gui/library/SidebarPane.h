#pragma once

#include "core/browser/LibraryBrowser.h"

#include <QWidget>
#include <memory>

class QLineEdit;
class QListView;
class QMenu;
class QToolButton;

namespace quillo {

class SidebarModel;
class StatusCard;

/// The window's first column: the search field, the sidebar list that chooses what the
/// snippet list shows, and at its foot the New Group button over the status card.
class SidebarPane final : public QWidget {
    Q_OBJECT
public:
    SidebarPane(LibraryBrowser& browser, AppState& app, const Library& library,
                QWidget* parent = nullptr);

    /// Shows the browser's state.
    void refresh();

    QLineEdit* searchField() const { return searchField_; }
    QListView* list() const { return list_; }
    SidebarModel* model() const { return model_; }
    QToolButton* newGroupButton() const { return newGroup_; }
    StatusCard* statusCard() const { return status_; }
    /// The context menu of a group row: "Rename…" and "Delete Group"; null for other rows.
    std::unique_ptr<QMenu> groupMenu(int row);

private:
    void userChoseRow();
    void showMenu(const QPoint& position);

    LibraryBrowser& browser_;
    const Library& library_;
    SidebarModel* model_;
    QLineEdit* searchField_;
    QListView* list_;
    QToolButton* newGroup_;
    StatusCard* status_;
    bool refreshing_ = false;
};

} // namespace quillo
