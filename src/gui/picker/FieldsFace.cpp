#include "FieldsFace.h"

#include "PickerLook.h"
#include "PreviewPane.h"
#include "PreviewText.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr int formWidth = 300;

QString placeholderFor(const Placeholders::Field& field) {
    return QString::fromStdString(field.defaultValue.empty() ? field.name : field.defaultValue);
}

} // namespace

FieldsFace::FieldsFace(PickerModel& model, const Clock& clock, QWidget* parent)
    : QWidget(parent), model_(model), clock_(clock) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto* scroller = new QScrollArea(this);
    scroller->setFixedWidth(formWidth);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->viewport()->setAutoFillBackground(false);
    auto* sheet = new QWidget;
    sheet->setAutoFillBackground(false);
    auto* column = new QVBoxLayout(sheet);
    column->setContentsMargins(18, 18, 18, 18);
    column->setSpacing(14);

    auto* heading = new QHBoxLayout;
    heading->setSpacing(8);
    auto* symbol = new QLabel(sheet);
    symbol->setPixmap(PickerLook::symbol(
        PickerLook::Symbol::form, 18, palette().color(QPalette::WindowText), devicePixelRatioF()));
    title_ = new QLabel(sheet);
    title_->setFont(PickerLook::headline(font()));
    title_->setTextFormat(Qt::PlainText);
    heading->addWidget(symbol);
    heading->addWidget(title_, 1);
    column->addLayout(heading);

    form_ = new QFormLayout;
    // Each name sits above its field, as a narrow column wants.
    form_->setRowWrapPolicy(QFormLayout::WrapAllRows);
    form_->setVerticalSpacing(6);
    column->addLayout(form_);
    column->addStretch(1);
    scroller->setWidget(sheet);
    row->addWidget(scroller);

    row->addWidget(PickerLook::divider(Qt::Vertical, this));
    preview_ = new PreviewPane(this);
    row->addWidget(preview_, 1);
}

void FieldsFace::refresh() {
    const std::optional<Snippet>& snippet = model_.fillSnippet();
    const std::optional<Uuid> id = snippet ? std::optional(snippet->id) : std::nullopt;
    const std::vector<Placeholders::Field> fields = model_.fields();
    if (id != shownSnippet_ || fields != shownFields_) {
        shownSnippet_ = id;
        rebuildForm(fields);
    }

    const Placeholders::Values& values = model_.fieldValues();
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        const auto found = values.find(shownFields_[i].name);
        const QString text =
            found == values.end() ? QString() : QString::fromStdString(found->second);
        if (edits_[i]->text() != text)
            edits_[i]->setText(text);
    }

    if (!snippet) {
        title_->clear();
        preview_->clear();
        return;
    }
    title_->setText(QString::fromStdString(snippet->name));
    preview_->showPreview(QString::fromStdString(snippet->name),
                          QString::fromStdString(previewText(*snippet, values, clock_.now())));
}

void FieldsFace::rebuildForm(const std::vector<Placeholders::Field>& fields) {
    while (form_->rowCount() > 0)
        form_->removeRow(0);
    edits_.clear();
    shownFields_ = fields;

    const QFont labelFont = PickerLook::caption(font());
    QPalette labelPalette = palette();
    labelPalette.setColor(QPalette::WindowText, PickerLook::secondary(palette()));
    for (const Placeholders::Field& field : fields) {
        auto* label = new QLabel(QString::fromStdString(field.name));
        label->setFont(labelFont);
        label->setPalette(labelPalette);
        label->setTextFormat(Qt::PlainText);
        auto* edit = new QLineEdit;
        edit->setPlaceholderText(placeholderFor(field));
        edit->setMinimumHeight(28);
        const std::string name = field.name;
        connect(edit, &QLineEdit::textEdited, this, [this, name](const QString& text) {
            model_.setFieldValue(name, text.toStdString());
        });
        form_->addRow(label, edit);
        // Shown now rather than on the layout's later turn, so the first field can take the
        // keyboard at once.
        label->show();
        edit->show();
        if (!edits_.empty())
            QWidget::setTabOrder(edits_.back(), edit);
        edits_.push_back(edit);
    }
}

} // namespace quillo
