#pragma once

#include <QWidget>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QToolButton;

namespace quillo {

class ElidedLabel;

/// Across the top of the window while the library has a problem to tell: the problem on
/// an orange tint, "Show Files" and "Dismiss"; "Use Quillo's copy" too while the file was
/// changed outside and can't be read.
class ProblemBanner final : public QWidget {
    Q_OBJECT
public:
    explicit ProblemBanner(QWidget* parent = nullptr);

    /// Shown while there is a problem.
    void showProblem(const std::optional<std::string>& problem, bool offersOwnCopy = false);

    QLabel* message() const { return message_; }
    QPushButton* useOwnCopyButton() const { return useOwnCopy_; }
    QPushButton* showFilesButton() const { return showFiles_; }
    QPushButton* dismissButton() const { return dismiss_; }

signals:
    void useOwnCopyClicked();
    void showFilesClicked();
    void dismissClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* icon_;
    QLabel* message_;
    QPushButton* useOwnCopy_;
    QPushButton* showFiles_;
    QPushButton* dismiss_;
};

/// Under the problem banner, one row for each conflict copy a sync tool left beside the
/// library file, each offering to merge it in.
class ConflictBanner final : public QWidget {
    Q_OBJECT
public:
    explicit ConflictBanner(QWidget* parent = nullptr);

    /// Shown while there are copies.
    void showCopies(const std::vector<std::filesystem::path>& copies);

    /// The merge buttons, a row's each, in the order of the copies.
    std::vector<QPushButton*> mergeButtons() const;

signals:
    void mergeClicked(const std::filesystem::path& copy);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<std::filesystem::path> copies_;
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
