#pragma once

#include "EditorMessages.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>

class QLabel;
class QMenu;
class QToolButton;

namespace quillo {

/// The bar above the text: formatting commands for a rich snippet, a note for a plain one,
/// and in both the Insert menu of placeholders.
class FormatBar final : public QWidget {
    Q_OBJECT
public:
    explicit FormatBar(QWidget* parent = nullptr);

    void setRich(bool rich);
    /// Lights the buttons whose formatting is in effect at the selection.
    void setState(const FormatState& state);

    /// The button of a command ("bold", "ul", "link", "clear", ...), for tests.
    QToolButton* button(const QString& command) const { return buttons_.at(command); }
    QMenu* colourMenu() const { return colourMenu_; }
    QMenu* sizeMenu() const { return sizeMenu_; }
    QMenu* insertMenu() const { return insertMenu_; }
    QLabel* plainNote() const { return plainNote_; }

    /// The Insert menu's entries for the current moment; rebuilt each time it opens.
    void rebuildInsertMenu();

signals:
    void command(const QString& name, const std::optional<QString>& value);
    void linkRequested();
    void insertRequested(const QString& text);
    void fieldRequested();

private:
    /// A button that sends its command, or does `action` when given.
    QToolButton* addButton(const QString& command, const QIcon& icon, const QString& help,
                           std::function<void()> action = {});
    QToolButton* addMenuButton(const QIcon& icon, const QString& help, QMenu* menu);

    QWidget* richControls_ = nullptr;
    QWidget* plainControls_ = nullptr;
    QLabel* plainNote_ = nullptr;
    QMenu* colourMenu_ = nullptr;
    QMenu* sizeMenu_ = nullptr;
    QMenu* insertMenu_ = nullptr;
    std::map<QString, QToolButton*> buttons_;
};

} // namespace quillo
