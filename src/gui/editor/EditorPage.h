#pragma once

#include <QPointer>
#include <QVariantMap>
#include <QWebEnginePage>

namespace quillo {

class RichEditorBridge;

/// The page of the rich editor: follows no link away from its own files.
class EditorPage final : public QWebEnginePage {
    Q_OBJECT
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
};

/// The object the page posts to. It holds the bridge weakly: the page never keeps the
/// bridge alive, and a message arriving after the bridge is gone is dropped.
class EditorHost final : public QObject {
    Q_OBJECT
    /// The page's own words in the user's language, which it puts in place once connected:
    /// "title", the page's title, "label", what screen readers call the editor, and
    /// "language", the code of the language they are in.
    Q_PROPERTY(QVariantMap texts READ texts CONSTANT)
public:
    EditorHost(RichEditorBridge* bridge, QObject* parent);
    Q_INVOKABLE void post(const QVariant& message);
    static QVariantMap texts();

private:
    QPointer<RichEditorBridge> bridge_;
};

} // namespace quillo
