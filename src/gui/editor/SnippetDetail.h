#pragma once

#include "RichEditor.h"
#include "core/model/Snippet.h"
#include "core/platform/Clock.h"
#include "core/platform/Log.h"
#include "core/util/ObserverList.h"

#include <QWidget>
#include <filesystem>
#include <memory>
#include <optional>

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QToolButton;

namespace quillo {

class AppState;
class FormatBar;
class Library;
class Paster;
class PickerModel;
class PlainEditorBridge;
class PlainTextEditor;

struct SnippetDetailEnvironment {
    Library& library;
    Paster& paster;
    PickerModel& picker;
    AppState& app;
    Clock& clock;
    Log& log;
    /// Makes the rich editor, once the first rich snippet is shown.
    RichEditorFactory richEditor;
};

/// The editor of one snippet in the library window: name, group, format, text, and a
/// footer with its fields, its use and a Copy button. Every change goes to the library at
/// once. The same editor is handed the next snippet when the selection moves.
class SnippetDetail final : public QWidget {
    Q_OBJECT
public:
    SnippetDetail(const SnippetDetailEnvironment& environment, const Uuid& id,
                  QWidget* parent = nullptr);
    ~SnippetDetail() override;

    const Uuid& snippetID() const { return id_; }
    void setSnippetID(const Uuid& id);

    // The parts, for tests and for the window's keyboard focus.
    QLineEdit* nameField() const { return name_; }
    QComboBox* groupPicker() const { return group_; }
    QAbstractButton* richButton() const;
    QAbstractButton* plainButton() const;
    FormatBar* formatBar() const { return formatBar_; }
    PlainTextEditor* plainEditor() const { return plainEditor_; }
    /// The rich editor, made when first asked for.
    RichEditor& richEditor();
    QLabel* asksForLabel() const { return asksFor_; }
    QLabel* usageLabel() const { return usage_; }
    /// Above the rich editor while there is something to tell about it.
    QLabel* editorNotice() const { return editorNotice_; }
    QToolButton* copyButton() const { return copy_; }
    bool showsRichEditor() const;

    /// Inserts a placeholder at the caret of whichever editor shows the snippet.
    void insert(const QString& text);
    /// Switches the format, asking first when formatting would be lost.
    void chooseFormat(SnippetFormat format);
    /// Puts the format into effect without asking.
    void convert(SnippetFormat format);
    void copyToClipboard();
    void editLink();
    void addField();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void watchForLinkKey(QObject* object);
    Snippet snippet() const;
    void write(const Snippet& snippet);
    void loadEditor();
    void refresh();
    void refreshGroups();
    void refreshCopyButton();
    void focusNameIfNew();

    SnippetDetailEnvironment environment_;
    Uuid id_;
    std::unique_ptr<RichEditor> rich_;
    std::unique_ptr<PlainEditorBridge> plain_;
    std::optional<SnippetFormat> shownFormat_;
    /// The rich text the editor holds as far as the library knows: what it was given or last
    /// reported. Text in the library that differs came from elsewhere (the file changed
    /// outside the program) and is shown afresh.
    std::string richText_;
    /// The rich editor died too often to be started again.
    bool richGaveUp_ = false;
    bool copied_ = false;
    int focusNameToken_ = 0;

    QLineEdit* name_ = nullptr;
    QComboBox* group_ = nullptr;
    QWidget* formatSwitch_ = nullptr;
    FormatBar* formatBar_ = nullptr;
    QStackedWidget* editors_ = nullptr;
    PlainTextEditor* plainEditor_ = nullptr;
    QWidget* richHolder_ = nullptr;
    QLabel* editorNotice_ = nullptr;
    QLabel* asksFor_ = nullptr;
    QLabel* usage_ = nullptr;
    QToolButton* copy_ = nullptr;
    ObserverList::ID libraryObserver_{};
    ObserverList::ID appObserver_{};
};

} // namespace quillo
