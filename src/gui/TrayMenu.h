#pragma once

#include "core/app/MenuModel.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace quillo {

/// The program's icon in the system tray and its menu, drawn afresh from the menu model
/// each time it opens so it always lists the library as it is. Closed, the menu holds only
/// its commands: a menu item for each of thousands of snippets would cost the idle program
/// tens of megabytes.
class TrayMenu : public QObject {
    Q_OBJECT
public:
    TrayMenu(MenuModel& model, QObject* parent = nullptr);

    /// Shows the icon; false when the desktop has no tray (the shortcut still works).
    bool show();
    /// The menu, for tests that drive it without a tray.
    QMenu& menu() { return menu_; }
    /// Refills the menu from the model, as opening it does.
    void rebuild();

private:
    /// Leaves only the commands, once the menu is closed and its choice carried out.
    void rest();
    void addItems(QMenu& menu, const std::vector<MenuItem>& items);

    MenuModel& model_;
    QMenu menu_;
    QSystemTrayIcon icon_;
};

} // namespace quillo
