#pragma once

#include <QWidget>
#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QToolButton;

namespace quillo {

class ElidedLabel;

/// Across the top of the window while the library has a problem to tell: the problem on
/// an orange tint, "Show Files" and "Dismiss".
class ProblemBanner final : public QWidget {
    Q_OBJECT
public:
    explicit ProblemBanner(QWidget* parent = nullptr);

    /// Shown while there is a problem.
    void showProblem(const std::optional<std::string>& problem);

    QLabel* message() const { return message_; }
    QPushButton* showFilesButton() const { return showFiles_; }
    QPushButton* dismissButton() const { return dismiss_; }

signals:
    void showFilesClicked();
    void dismissClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* icon_;
    QLabel* message_;
    QPushButton* showFiles_;
    QPushButton* dismiss_;
};

/// At the foot of the snippet list while a deletion can be undone: what was deleted,
/// "Undo", and a button that forgets the deletion.
class UndoBanner final : public QWidget {
    Q_OBJECT
public:
    explicit UndoBanner(QWidget* parent = nullptr);

    /// Shown while there is a summary.
    void showDeletion(const std::optional<std::string>& summary);

    ElidedLabel* summary() const { return summary_; }
    QPushButton* undoButton() const { return undo_; }
    QToolButton* dismissButton() const { return dismiss_; }

signals:
    void undoClicked();
    void dismissClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ElidedLabel* summary_;
    QPushButton* undo_;
    QToolButton* dismiss_;
};

} // namespace quillo
