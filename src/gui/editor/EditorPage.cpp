#include "EditorPage.h"

#include "RichEditorBridge.h"
#include "platform/QtTranslation.h"

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

QVariantMap EditorHost::texts() {
    return {// TRANSLATORS: The title of the rich text editor's page; not shown, but read out by
            // screen readers.
            {QStringLiteral("title"), qi18n("Snippet")},
            // TRANSLATORS: What screen readers call the rich text editor's text box.
            {QStringLiteral("label"), qi18n("Snippet text")},
            // TRANSLATORS: The code of the language of this translation (de, pt-BR), which
            // tells screen readers and the spelling checker how to read the snippet's page.
            {QStringLiteral("language"), qi18n("en")}};
}

} // namespace quillo
