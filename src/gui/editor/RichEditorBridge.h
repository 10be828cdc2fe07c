#pragma once

#include "EditorMessages.h"
#include "RichEditor.h"
#include "core/platform/Log.h"
#include "core/util/Uuid.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWebEnginePage>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWebEngineView;

namespace quillo {

/// The rich editor: a web page ("editor.html") in a web view, spoken to with script calls
/// and answering with messages to the host object "bridge". Content given before the page
/// is ready waits, the latest only; the page's "change" messages go to `onChange`, and its
/// "state" messages become `state()` for the toolbar. When the page's process dies the page
/// is loaded again and `onStopped` told, unless it keeps dying.
class RichEditorBridge final : public QObject, public RichEditor {
    Q_OBJECT
public:
    /// `pageFolder` holds editor.html and what it loads; absent, the editor stays empty.
    RichEditorBridge(std::optional<std::filesystem::path> pageFolder, Log& log,
                     QObject* parent = nullptr);
    ~RichEditorBridge() override;

    const FormatState& state() const override { return state_; }
    const std::optional<Uuid>& currentID() const { return currentID_; }
    bool isReady() const { return ready_; }

    /// The web view, created (and the page loaded) on first use; the bridge owns it until it
    /// is placed in a window.
    QWebEngineView* webView();
    QWidget* view() override;

    void load(const std::string& html, const Uuid& id) override;
    void exec(const QString& command, const std::optional<QString>& value = std::nullopt) override;
    /// Also "" when the page fails to say.
    void currentLink(std::function<void(const QString&)> answer) override;

    /// A message from the page.
    void receive(const QVariant& body);

signals:
    void stateChanged();

private:
    void loadPage();
    void run(const QString& expression);
    void rendererTerminated(QWebEnginePage::RenderProcessTerminationStatus status);

    std::optional<std::filesystem::path> pageFolder_;
    Log& log_;
    QPointer<QWebEngineView> webView_;
    FormatState state_;
    std::optional<Uuid> currentID_;
    bool ready_ = false;
    std::optional<std::pair<std::string, Uuid>> pending_;
    std::vector<std::chrono::steady_clock::time_point> deaths_;
};

} // namespace quillo
