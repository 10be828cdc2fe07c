#include "SnippetDetail.h"

#include "EditorDialogs.h"
#include "EditorIcons.h"
#include "FormatBar.h"
#include "PlainTextEditor.h"
#include "RichEditorModule.h"
#include "core/app/AppState.h"
#include "core/editor/SnippetEditing.h"
#include "core/model/Library.h"
#include "core/paste/Paster.h"
#include "core/picker/PickerModel.h"
#include "core/text/DateFormatting.h"
#include "core/text/Placeholders.h"
#include "platform/QtTranslation.h"

#include <QButtonGroup>
#include <QChildEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr int copiedForMs = 1500;
QFrame* horizontalDivider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setStyleSheet(QStringLiteral("color: palette(mid);"));
    return line;
}

QLabel* secondaryLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    return label;
}

} // namespace

SnippetDetail::SnippetDetail(const SnippetDetailEnvironment& environment, const Uuid& id,
                             QWidget* parent)
    : QWidget(parent), environment_(environment), id_(id),
      plain_(std::make_unique<PlainEditorBridge>()),
      focusNameToken_(environment.app.focusNameToken()) {

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QWidget(this);
    auto* headerLayout = new QVBoxLayout(header);
    headerLayout->setContentsMargins(18, 16, 18, 10);
    headerLayout->setSpacing(8);
    name_ = new QLineEdit(header);
    name_->setPlaceholderText(qi18n("Snippet name"));
    name_->setFrame(false);
    QFont title = name_->font();
    title.setPixelSize(22);
    title.setWeight(QFont::DemiBold);
    name_->setFont(title);
    name_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    headerLayout->addWidget(name_);

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    // TRANSLATORS: The label of the menu that puts the snippet in a group.
    row->addWidget(new QLabel(qi18n("Group"), header));
    group_ = new QComboBox(header);
    group_->setMaximumWidth(200);
    group_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    row->addWidget(group_);
    row->addStretch(1);
    formatSwitch_ = new QWidget(header);
    auto* switchLayout = new QHBoxLayout(formatSwitch_);
    switchLayout->setContentsMargins(0, 0, 0, 0);
    switchLayout->setSpacing(0);
    auto* formats = new QButtonGroup(formatSwitch_);
    const std::pair<const char*, SnippetFormat> choices[] = {
        // TRANSLATORS: One half of the switch between a formatted snippet and a plain one.
        {I18N_NOOP("Rich Text"), SnippetFormat::rich},
        // TRANSLATORS: One half of the switch between a formatted snippet and a plain one.
        {I18N_NOOP("Plain Text"), SnippetFormat::plain}};
    for (const auto& [label, format] : choices) {
        auto* button = new QPushButton(qi18n(label), formatSwitch_);
        button->setCheckable(true);
        button->setAutoDefault(false);
        formats->addButton(button, static_cast<int>(format));
        switchLayout->addWidget(button);
        connect(button, &QPushButton::clicked, this,
                [this, format = format] { chooseFormat(format); });
    }
    formats->setExclusive(true);
    row->addWidget(formatSwitch_);
    headerLayout->addLayout(row);
    layout->addWidget(header);
    layout->addWidget(horizontalDivider(this));

    formatBar_ = new FormatBar(this);
    layout->addWidget(formatBar_);

    editors_ = new QStackedWidget(this);
    plainEditor_ = new PlainTextEditor(editors_);
    plain_->setTextView(plainEditor_);
    richHolder_ = new QWidget(editors_);
    auto* richLayout = new QVBoxLayout(richHolder_);
    richLayout->setContentsMargins(0, 0, 0, 0);
    richLayout->setSpacing(0);
    editorNotice_ = new QLabel(richHolder_);
    editorNotice_->setWordWrap(true);
    editorNotice_->setTextFormat(Qt::PlainText);
    editorNotice_->setContentsMargins(18, 8, 18, 8);
    editorNotice_->setAutoFillBackground(true);
    QPalette tinted = editorNotice_->palette();
    QColor tint = tinted.color(QPalette::Highlight);
    tint.setAlphaF(0.15f);
    tinted.setColor(QPalette::Window, tint);
    editorNotice_->setPalette(tinted);
    editorNotice_->hide();
    richLayout->addWidget(editorNotice_);
    editors_->addWidget(plainEditor_);
    editors_->addWidget(richHolder_);
    layout->addWidget(editors_, 1);

    layout->addWidget(horizontalDivider(this));
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(18, 8, 12, 8);
    footer->setSpacing(12);
    asksFor_ = secondaryLabel(this);
    usage_ = secondaryLabel(this);
    footer->addWidget(asksFor_);
    footer->addWidget(usage_);
    footer->addStretch(1);
    copy_ = new QToolButton(this);
    copy_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    copy_->setToolTip(qi18n("Copy to the clipboard, ready to paste into an email"));
    footer->addWidget(copy_);
    layout->addLayout(footer);

    connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
        Snippet changed = snippet();
        changed.name = text.toStdString();
        write(changed);
    });
    connect(group_, &QComboBox::activated, this, [this](int index) {
        Snippet changed = snippet();
        const QString chosen = group_->itemData(index).toString();
        changed.groupID = chosen.isEmpty() ? std::nullopt : Uuid::parse(chosen.toStdString());
        write(changed);
    });
    plainEditor_->onTextChanged = [this](const QString& text) {
        Snippet changed = snippet();
        if (changed.format != SnippetFormat::plain)
            return;
        changed.text = text.toStdString();
        write(changed);
    };
    connect(formatBar_, &FormatBar::command, this,
            [this](const QString& name, const std::optional<QString>& value) {
                richEditor().exec(name, value);
            });
    connect(formatBar_, &FormatBar::linkRequested, this, &SnippetDetail::editLink);
    connect(formatBar_, &FormatBar::insertRequested, this, &SnippetDetail::insert);
    connect(formatBar_, &FormatBar::fieldRequested, this, &SnippetDetail::addField);
    connect(copy_, &QToolButton::clicked, this, &SnippetDetail::copyToClipboard);
    auto* linkShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_K), this);
    linkShortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(linkShortcut, &QShortcut::activated, this, &SnippetDetail::editLink);

    libraryObserver_ = environment_.library.addObserver([this] { refresh(); });
    appObserver_ = environment_.app.addObserver([this] {
        if (environment_.app.focusNameToken() != focusNameToken_) {
            focusNameToken_ = environment_.app.focusNameToken();
            focusNameIfNew();
        }
    });
    loadEditor();
    refresh();
    refreshCopyButton();
    focusNameIfNew();
}

SnippetDetail::~SnippetDetail() {
    environment_.library.removeObserver(libraryObserver_);
    environment_.app.removeObserver(appObserver_);
}

QAbstractButton* SnippetDetail::richButton() const {
    return formatSwitch_->findChild<QButtonGroup*>()->button(static_cast<int>(SnippetFormat::rich));
}

QAbstractButton* SnippetDetail::plainButton() const {
    return formatSwitch_->findChild<QButtonGroup*>()->button(
        static_cast<int>(SnippetFormat::plain));
}

bool SnippetDetail::showsRichEditor() const {
    return editors_->currentWidget() == richHolder_;
}

void SnippetDetail::setSnippetID(const Uuid& id) {
    if (id == id_)
        return;
    id_ = id;
    // The notice was about the snippet shown then; a dead editor stays dead for any.
    editorNotice_->setVisible(richGaveUp_);
    loadEditor();
    refresh();
}

Snippet SnippetDetail::snippet() const {
    if (const Snippet* stored = environment_.library.snippet(id_))
        return *stored;
    Snippet standIn;
    standIn.id = id_;
    return standIn;
}

void SnippetDetail::write(const Snippet& changed) {
    environment_.library.update(changed);
}

RichEditor& SnippetDetail::richEditor() {
    if (rich_)
        return *rich_;
    rich_ = environment_.richEditor ? environment_.richEditor() : nullptr;
    if (!rich_)
        rich_ = unavailableRichEditor();
    // Reports name the snippet they were made for: a late one for a snippet shown before
    // still reaches it, and one for a snippet that is gone or plain now is dropped.
    rich_->onChange = [this, &library = environment_.library](const Uuid& snippetID,
                                                              const std::string& html) {
        if (snippetID == id_)
            richText_ = html;
        const Snippet* stored = library.snippet(snippetID);
        if (stored == nullptr || stored->format != SnippetFormat::rich || stored->text == html)
            return;
        Snippet changed = *stored;
        changed.text = html;
        library.update(changed);
    };
    rich_->onStateChanged = [this] { formatBar_->setState(rich_->state()); };
    // Whatever the dead page held that the library doesn't is lost; what was saved is
    // shown again.
    rich_->onStopped = [this](bool restarted) {
        editorNotice_->setText(
            restarted ? qi18n("The editor stopped unexpectedly and was reloaded with the snippet's "
                              "saved text.")
                      : qi18n("The editor stopped unexpectedly several times and was not "
                              "reloaded. Close and reopen the library window to try again."));
        editorNotice_->show();
        richGaveUp_ = !restarted;
        if (restarted && snippet().format == SnippetFormat::rich)
            loadEditor();
    };
    return *rich_;
}

void SnippetDetail::loadEditor() {
    const Snippet shown = snippet();
    shownFormat_ = shown.format;
    const bool rich = shown.format == SnippetFormat::rich;
    formatBar_->setRich(rich);
    if (rich) {
        // The web engine starts only once a rich snippet is shown.
        if (richEditor().view()->parentWidget() != richHolder_) {
            richHolder_->layout()->addWidget(richEditor().view());
            watchForLinkKey(richEditor().view());
        }
        richEditor().load(shown.text, id_);
        richText_ = shown.text;
        editors_->setCurrentWidget(richHolder_);
    } else {
        plainEditor_->show(id_, QString::fromStdString(shown.text));
        editors_->setCurrentWidget(plainEditor_);
    }
}

void SnippetDetail::refresh() {
    const Snippet shown = snippet();
    if (shown.format != shownFormat_ ||
        (shown.format == SnippetFormat::rich && shown.text != richText_))
        loadEditor();
    else if (shown.format == SnippetFormat::plain)
        plainEditor_->show(id_, QString::fromStdString(shown.text));

    if (const QString name = QString::fromStdString(shown.name); name_->text() != name)
        name_->setText(name);
    refreshGroups();
    const QString groupKey =
        shown.groupID ? QString::fromStdString(shown.groupID->string()) : QString();
    group_->setCurrentIndex(std::max(0, group_->findData(groupKey)));
    (shown.format == SnippetFormat::rich ? richButton() : plainButton())->setChecked(true);

    const std::string asksFor = SnippetEditing::asksForText(shown);
    asksFor_->setText(QString::fromStdString(asksFor));
    asksFor_->setVisible(!asksFor.empty());
    static const DateFormatting dates = DateFormatting::fromEnvironment();
    usage_->setText(
        QString::fromStdString(SnippetEditing::usageText(shown, environment_.clock.now(), dates)));
}

void SnippetDetail::refreshGroups() {
    QStringList wanted{QString()};
    for (const SnippetGroup& group : environment_.library.groups())
        wanted << QString::fromStdString(group.id.string()) + u'\t' +
                      QString::fromStdString(group.name);
    QStringList current;
    for (int i = 0; i < group_->count(); ++i)
        if (!group_->itemData(i).isNull())
            current << (group_->itemData(i).toString().isEmpty()
                            ? QString()
                            : group_->itemData(i).toString() + u'\t' + group_->itemText(i));
    if (current == wanted)
        return;
    group_->clear();
    // TRANSLATORS: In the snippet's group menu: in no group.
    group_->addItem(qi18n("Ungrouped"), QString());
    group_->insertSeparator(1);
    for (const SnippetGroup& group : environment_.library.groups())
        group_->addItem(QString::fromStdString(group.name),
                        QString::fromStdString(group.id.string()));
}

void SnippetDetail::chooseFormat(SnippetFormat format) {
    const Snippet shown = snippet();
    if (!SnippetEditing::asksBeforeConverting(shown, format)) {
        convert(format);
        return;
    }
    // The switch shows the snippet's format until the user has decided.
    refresh();
    // The question is the title and, as window titles of dialogs are easy to miss here,
    // the dialog's first line too.
    const QString question = qi18n("Switch to plain text?");
    auto* confirm =
        new QMessageBox(QMessageBox::Warning, question, question, QMessageBox::Cancel, this);
    confirm->setInformativeText(
        qi18n("Bold, links and other formatting will be removed from this snippet."));
    confirm->setWindowModality(Qt::WindowModal);
    confirm->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* remove = confirm->addButton(qi18n("Remove Formatting"), QMessageBox::AcceptRole);
    connect(remove, &QPushButton::clicked, this, [this] { convert(SnippetFormat::plain); });
    confirm->open();
}

void SnippetDetail::convert(SnippetFormat format) {
    Snippet changed = snippet();
    if (changed.format == format)
        return;
    changed.text = SnippetEditing::convertedText(changed, format);
    changed.format = format;
    write(changed);
}

void SnippetDetail::insert(const QString& text) {
    if (snippet().format == SnippetFormat::rich)
        richEditor().exec(QStringLiteral("insertText"), text);
    else
        plain_->insert(text);
}

void SnippetDetail::copyToClipboard() {
    const Snippet shown = snippet();
    if (!Placeholders::fields(shown.text, shown.format == SnippetFormat::rich).empty()) {
        environment_.picker.showFields(shown, true, std::nullopt);
        return;
    }
    environment_.paster.copy(shown, {});
    copied_ = true;
    refreshCopyButton();
    // Each copy ends its own "Copied"; a later one does not hold back an earlier end.
    QTimer::singleShot(copiedForMs, this, [this] {
        copied_ = false;
        refreshCopyButton();
    });
}

void SnippetDetail::refreshCopyButton() {
    // TRANSLATORS: The button that copies the snippet, and what it says for a moment after.
    copy_->setText(copied_ ? qi18n("Copied") : qi18n("Copy"));
    copy_->setIcon(copied_ ? EditorIcons::icon("object-select", QStringLiteral("✓"), *copy_)
                           : EditorIcons::icon("edit-copy", QStringLiteral("copy"), *copy_));
}

void SnippetDetail::editLink() {
    if (snippet().format != SnippetFormat::rich)
        return;
    richEditor().currentLink([this, guard = QPointer(this)](const QString& link) {
        if (!guard)
            return;
        auto* dialog = new LinkDialog(link, this);
        connect(dialog, &LinkDialog::applied, this, [this](const QString& typed) {
            const std::string address = SnippetEditing::linkAddress(typed.toStdString());
            richEditor().exec(QStringLiteral("link"),
                              address.empty() ? std::nullopt
                                              : std::optional(QString::fromStdString(address)));
        });
        connect(dialog, &LinkDialog::removed, this,
                [this] { richEditor().exec(QStringLiteral("link"), std::nullopt); });
        dialog->open();
    });
}

void SnippetDetail::addField() {
    auto* dialog = new FieldDialog(this);
    connect(dialog, &FieldDialog::inserted, this,
            [this](const QString& name, const QString& defaultValue) {
                if (const auto placeholder = SnippetEditing::fieldPlaceholder(
                        name.toStdString(), defaultValue.toStdString()))
                    insert(QString::fromStdString(*placeholder));
            });
    dialog->open();
}

void SnippetDetail::watchForLinkKey(QObject* object) {
    object->installEventFilter(this);
    for (QObject* child : object->children())
        if (child->isWidgetType())
            watchForLinkKey(child);
}

bool SnippetDetail::eventFilter(QObject* watched, QEvent* event) {
    // The web view takes every key it might edit with, Ctrl+K included, before shortcuts see
    // it; the link key is taken here first. Its text widget comes and goes with the page.
    if (event->type() == QEvent::ChildAdded) {
        if (QObject* child = static_cast<QChildEvent*>(event)->child(); child->isWidgetType())
            watchForLinkKey(child);
    } else if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_K && key->modifiers() == Qt::ControlModifier) {
            if (event->type() == QEvent::KeyPress)
                editLink();
            event->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SnippetDetail::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Made while hidden, as the window's first editor is, it places the keyboard as soon as
    // it is on screen, before input waiting in the same batch is handled.
    if (!event->spontaneous())
        focusNameIfNew();
}

void SnippetDetail::focusNameIfNew() {
    // The library names a new snippet in the user's language.
    const std::string newSnippetName = i18n("New Snippet");
    if (snippet().name != newSnippetName)
        return;
    const auto focusName = [this, newName = QString::fromStdString(newSnippetName)] {
        // Once typing has begun the name is the user's: neither focus nor selection moves.
        if (name_->text() != newName)
            return;
        name_->setFocus(Qt::OtherFocusReason);
        name_->selectAll();
    };
    // At once when the field is on screen: keys typed right after New Snippet may wait in the
    // same batch of input, and must land in the name. Again on a later turn, for a field
    // only now being shown.
    if (name_->isVisible())
        focusName();
    QTimer::singleShot(0, this, focusName);
}

} // namespace quillo
