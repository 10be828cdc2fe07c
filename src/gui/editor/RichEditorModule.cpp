#include "RichEditorModule.h"

#include "WebEngineSetup.h"
#include "platform/QtTranslation.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLibrary>
#include <QPointer>

namespace quillo {

namespace {

constexpr const char* moduleName = "quillo-rich-editor";

class UnavailableRichEditor final : public RichEditor {
public:
    ~UnavailableRichEditor() override {
        if (label_ && label_->parent() == nullptr)
            delete label_.data();
    }

    const FormatState& state() const override { return state_; }
    QWidget* view() override {
        if (!label_) {
            label_ = new QLabel(
                qi18n("Formatted text can't be edited here: Quillo's rich text editor is missing "
                      "from this installation. The snippet can still be pasted and copied."));
            label_->setWordWrap(true);
            label_->setAlignment(Qt::AlignCenter);
            label_->setMargin(24);
        }
        return label_;
    }
    void load(const std::string&, const Uuid&) override {}
    void exec(const QString&, const std::optional<QString>&) override {}
    void currentLink(std::function<void(const QString&)> answer) override { answer(QString()); }

private:
    FormatState state_;
    QPointer<QLabel> label_;
};

} // namespace

std::optional<std::filesystem::path> editorPageFolder() {
    const std::filesystem::path programFolder =
        QCoreApplication::applicationDirPath().toStdString();
    std::vector<std::filesystem::path> folders{programFolder / ".." / "share" / "quillo" /
                                               "Editor"};
    // Only a program in the build folder reads the page from the sources: an installed one
    // that lost its page must say so, not borrow the build machine's.
    const std::filesystem::path fromBuild =
        programFolder.lexically_normal().lexically_relative(QUILLO_BUILD_FOLDER);
    if (!fromBuild.empty() && *fromBuild.begin() != "..")
        folders.emplace_back(QUILLO_SOURCE_EDITOR_FOLDER);
    std::error_code error;
    for (const std::filesystem::path& folder : folders)
        if (std::filesystem::is_regular_file(folder / "editor.html", error))
            return folder.lexically_normal();
    return std::nullopt;
}

std::vector<std::filesystem::path> richEditorModuleFolders() {
    const std::filesystem::path programFolder =
        QCoreApplication::applicationDirPath().toStdString();
    // Installed, the program is in PREFIX/bin and the module in PREFIX/LIBDIR/quillo.
    return {programFolder,
            (programFolder / ".." / QUILLO_MODULE_LIBDIR / "quillo").lexically_normal()};
}

std::unique_ptr<RichEditor>
loadRichEditor(const std::optional<std::filesystem::path>& pageFolder, Log& log,
               const std::vector<std::filesystem::path>& moduleFolders) {
    if (!pageFolder) {
        log.write("Quillo: the rich text editor's page is missing from this installation");
        return unavailableRichEditor();
    }
    QString problems;
    for (const std::filesystem::path& folder : moduleFolders) {
        // Never unloaded: the web engine cannot be started twice in one process.
        QLibrary module(QString::fromStdString((folder / moduleName).string()));
        if (!module.load()) {
            problems += QStringLiteral("; ") + module.errorString();
            continue;
        }
        const auto make =
            reinterpret_cast<MakeRichEditorFunction>(module.resolve(makeRichEditorSymbol));
        if (make == nullptr) {
            problems += QStringLiteral("; ") + module.errorString();
            continue;
        }
        shareOpenGLContexts();
        return std::unique_ptr<RichEditor>(make(&*pageFolder, &log));
    }
    log.write("Quillo: the rich text editor could not be loaded" + problems.toStdString());
    return unavailableRichEditor();
}

std::unique_ptr<RichEditor> unavailableRichEditor() {
    return std::make_unique<UnavailableRichEditor>();
}

} // namespace quillo
