#include "EditorPage.h"

#include "RichEditorBridge.h"

namespace quillo {

bool EditorPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool) {
    return url.isLocalFile();
}

EditorHost::EditorHost(RichEditorBridge* bridge, QObject* parent)
    : QObject(parent), bridge_(bridge) {}

void EditorHost::post(const QVariant& message) {
    if (bridge_)
        bridge_->receive(message);
}

} // namespace quillo
