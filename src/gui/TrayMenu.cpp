#include "TrayMenu.h"

#include <QCursor>
#include <QIcon>
#include <QKeySequence>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTimer>
#include <vector>

namespace quillo {

namespace {

/// The program's speech bubble, drawn here so that it shows even where no SVG support is
/// installed; the theme's icon wins when the desktop has one.
QIcon drawnIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const double unit = size / 64.0;
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(4, 8, 56, 38), 6, 6);
        painter.scale(unit, unit);
        painter.setPen(QPen(QColor(0x1d, 0x3f, 0x8a), 2));
        painter.setBrush(QColor(0x3b, 0x6f, 0xd8));
        painter.drawPath(bubble);
        painter.drawPolygon(QPolygonF({QPointF(16, 44), QPointF(16, 56), QPointF(30, 44)}));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        for (const QRectF& line :
             {QRectF(14, 18, 30, 4), QRectF(14, 26, 36, 4), QRectF(14, 34, 22, 4)})
            painter.drawRoundedRect(line, 2, 2);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon commandIcon(MenuCommand command) {
    switch (command) {
    case MenuCommand::insertSnippet:
        return QIcon::fromTheme("edit-paste");
    case MenuCommand::openLibrary:
        return QIcon::fromTheme("folder-open");
    case MenuCommand::openSettings:
        return QIcon::fromTheme("preferences-system");
    case MenuCommand::quit:
        return QIcon::fromTheme("application-exit");
    case MenuCommand::useOwnCopy:
        return QIcon::fromTheme("document-save");
    }
    return {};
}

} // namespace

TrayMenu::TrayMenu(MenuModel& model, QObject* parent) : QObject(parent), model_(model) {
    icon_.setIcon(QIcon::fromTheme("quillo", drawnIcon()));
    icon_.setToolTip("Quillo");
    icon_.setContextMenu(&menu_);
    connect(&menu_, &QMenu::aboutToShow, this, &TrayMenu::rebuild);
    // The chosen item is triggered after the menu hides, so its action must outlive that.
    connect(&menu_, &QMenu::aboutToHide, this,
            [this] { QTimer::singleShot(0, this, &TrayMenu::rest); });
    // A plain click opens the same menu.
    connect(&icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    menu_.popup(QCursor::pos());
            });
    rest();
}

bool TrayMenu::show() {
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    icon_.show();
    return true;
}

void TrayMenu::rebuild() {
    menu_.clear();
    addItems(menu_, model_.items());
}

void TrayMenu::rest() {
    if (menu_.isVisible())
        return;
    std::vector<MenuItem> commands = model_.items();
    std::erase_if(commands, [](const MenuItem& item) {
        return item.kind == MenuItem::Kind::snippet || item.kind == MenuItem::Kind::submenu;
    });
    menu_.clear();
    addItems(menu_, commands);
}

void TrayMenu::addItems(QMenu& menu, const std::vector<MenuItem>& items) {
    for (const MenuItem& item : items) {
        // Ampersands in snippet and group names are text, not mnemonics.
        QString title = QString::fromStdString(item.title);
        title.replace('&', "&&");
        switch (item.kind) {
        case MenuItem::Kind::separator:
            menu.addSeparator();
            break;
        case MenuItem::Kind::submenu:
            addItems(*menu.addMenu(title), item.items);
            break;
        case MenuItem::Kind::notice: {
            // A menu is no place for a paragraph: a long reason is cut, the window has it all.
            constexpr qsizetype longest = 90;
            if (title.size() > longest)
                title = title.left(longest - 1) + QChar(0x2026);
            menu.addAction(title)->setEnabled(false);
            break;
        }
        case MenuItem::Kind::command:
        case MenuItem::Kind::snippet: {
            QAction* action = menu.addAction(title);
            if (item.kind == MenuItem::Kind::command)
                action->setIcon(commandIcon(item.command));
            if (!item.keyHint.empty())
                action->setShortcut(QKeySequence(QString::fromStdString(item.keyHint)));
            connect(action, &QAction::triggered, this, [this, item] { model_.choose(item); });
            break;
        }
        }
    }
}

} // namespace quillo
