#pragma once

#include "core/picker/PickerModel.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;

namespace quillo {

class PreviewPane;
class ResultListModel;

/// The picker's search face: the search field, the results and the selected snippet's
/// preview. Edits go to the model; `refresh` shows the model's state.
class SearchFace final : public QWidget {
    Q_OBJECT
public:
    SearchFace(PickerModel& model, const Library& library, const Clock& clock,
               QWidget* parent = nullptr);

    void refresh();

    QLineEdit* searchField() const { return searchField_; }
    QListView* resultList() const { return resultList_; }
    /// Laid over the list when nothing matches, naming the query.
    QLabel* emptyNotice() const { return emptyNotice_; }
    PreviewPane* preview() const { return preview_; }

private:
    QWidget* buildTopBar();
    QWidget* buildResults();
    void choose(const QModelIndex& index);
    void chooseAndCommit(const QModelIndex& index);

    PickerModel& model_;
    const Clock& clock_;
    ResultListModel* results_;
    QLineEdit* searchField_ = nullptr;
    QListView* resultList_ = nullptr;
    QLabel* emptyNotice_ = nullptr;
    PreviewPane* preview_ = nullptr;
};

} // namespace quillo
