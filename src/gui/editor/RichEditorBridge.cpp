#include "RichEditorBridge.h"

#include "EditorPage.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QPalette>
#include <QUrl>
#include <QWebChannel>
#include <QWebEngineView>
#include <utility>

namespace quillo {

namespace {

// A page whose process dies this often in this long would only die again: it stays down.
constexpr std::size_t deathsBeforeGivingUp = 3;
constexpr std::chrono::minutes deathsWithin{5};

// Script calls report a failure as a value, since the page's own errors never reach
// the host otherwise.
QString guarded(const QString& expression) {
    return QStringLiteral(
               "(function(){try{%1;return null;}catch(e){return 'error:'+String(e);}})()")
        .arg(expression);
}

// The page follows light or dark colours through prefers-color-scheme, which this web
// engine takes only from its command line, read once when it starts.
void tellWebEngineTheColourScheme() {
    static bool told = false;
    if (std::exchange(told, true))
        return;
    if (QApplication::palette().color(QPalette::Window).lightness() >= 128)
        return;
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("force-dark-mode"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + " --force-dark-mode");
}

} // namespace

RichEditorBridge::RichEditorBridge(std::optional<std::filesystem::path> pageFolder, Log& log,
                                   QObject* parent)
    : QObject(parent), pageFolder_(std::move(pageFolder)), log_(log) {}

RichEditorBridge::~RichEditorBridge() {
    // A view that was never placed in a window is still ours.
    if (webView_ && webView_->parent() == nullptr)
        delete webView_;
}

QWidget* RichEditorBridge::view() {
    return webView();
}

QWebEngineView* RichEditorBridge::webView() {
    if (webView_)
        return webView_;
    tellWebEngineTheColourScheme();
    webView_ = new QWebEngineView;
    auto* page = new EditorPage(webView_);
    page->setBackgroundColor(Qt::transparent);
    auto* channel = new QWebChannel(page);
    channel->registerObject(QStringLiteral("bridge"), new EditorHost(this, channel));
    page->setWebChannel(channel);
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            &RichEditorBridge::rendererTerminated);
    webView_->setPage(page);
    loadPage();
    return webView_;
}

void RichEditorBridge::loadPage() {
    if (pageFolder_)
        webView_->load(
            QUrl::fromLocalFile(QString::fromStdString((*pageFolder_ / "editor.html").string())));
}

void RichEditorBridge::load(const std::string& html, const Uuid& id) {
    currentID_ = id;
    if (ready_)
        run(EditorMessages::call(
            QStringLiteral("setContent"),
            {QString::fromStdString(html), QString::fromStdString(id.string())}));
    else
        pending_ = std::pair{html, id};
    webView();
}

void RichEditorBridge::exec(const QString& command, const std::optional<QString>& value) {
    run(EditorMessages::call(QStringLiteral("exec"), {command, value}));
}

void RichEditorBridge::currentLink(std::function<void(const QString&)> answer) {
    if (!webView_ || !ready_) {
        answer(QString());
        return;
    }
    webView_->page()->runJavaScript(
        QStringLiteral("(function(){try{return currentLink();}catch(e){return null;}})()"),
        [answer = std::move(answer)](const QVariant& result) {
            answer(result.typeId() == QMetaType::QString ? result.toString() : QString());
        });
}

void RichEditorBridge::run(const QString& expression) {
    if (!webView_)
        return;
    webView_->page()->runJavaScript(
        guarded(expression), [this, guard = QPointer(this)](const QVariant& result) {
            if (!guard)
                return;
            const QString text = result.toString();
            if (result.typeId() == QMetaType::QString && text.startsWith(QLatin1String("error:")))
                log_.write("Quillo editor JS error: " + text.mid(6).toStdString());
        });
}

void RichEditorBridge::rendererTerminated(QWebEnginePage::RenderProcessTerminationStatus status) {
    if (status == QWebEnginePage::NormalTerminationStatus)
        return;
    log_.write("Quillo: the rich editor's page process ended unexpectedly (status " +
               std::to_string(status) + ")");
    // What the dead page showed is gone; the host sends the document again.
    ready_ = false;
    pending_.reset();
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(deaths_, [&](auto death) { return now - death > deathsWithin; });
    deaths_.push_back(now);
    const bool restart = deaths_.size() < deathsBeforeGivingUp;
    if (restart)
        loadPage();
    if (onStopped)
        onStopped(restart);
}

void RichEditorBridge::receive(const QVariant& body) {
    const auto message = EditorMessages::parse(body);
    if (!message)
        return;
    if (std::holds_alternative<EditorMessages::Ready>(*message)) {
        ready_ = true;
        if (auto pending = std::exchange(pending_, std::nullopt))
            run(EditorMessages::call(QStringLiteral("setContent"),
                                     {QString::fromStdString(pending->first),
                                      QString::fromStdString(pending->second.string())}));
    } else if (const auto* change = std::get_if<EditorMessages::Change>(&*message)) {
        if (onChange)
            onChange(change->id, change->html);
    } else if (const auto* state = std::get_if<EditorMessages::State>(&*message)) {
        if (state->state != state_) {
            state_ = state->state;
            emit stateChanged();
            if (onStateChanged)
                onStateChanged();
        }
    }
}

} // namespace quillo
