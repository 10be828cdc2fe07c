#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillo {

/// Asks for a group's name, to create a group or to rename one: a heading, the name field
/// and the Cancel and Create (or Rename) buttons. Modal to its window.
class GroupAlert final : public QDialog {
    Q_OBJECT
public:
    explicit GroupAlert(QWidget* parent = nullptr);

    /// "New Group" with "Create", or "Rename Group" with "Rename".
    void setTexts(const QString& title, const QString& action);
    /// The field's text, kept where the cursor is when it is already that text.
    void setName(const QString& name);

    QLabel* heading() const { return heading_; }
    QLineEdit* nameField() const { return name_; }
    QPushButton* actionButton() const { return action_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    void nameEdited(const QString& name);

private:
    QLabel* heading_;
    QLineEdit* name_;
    QPushButton* action_;
    QPushButton* cancel_;
};

} // namespace quillo
