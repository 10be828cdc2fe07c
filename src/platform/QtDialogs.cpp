#include "QtDialogs.h"

#include "QtTranslation.h"
#include "core/platform/DataFolder.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <system_error>

namespace quillo {

namespace {

// Dialogs of a program without a main window must still come up above the window in front.
void bringToFront(QDialog& dialog) {
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

void showMessage(QMessageBox::Icon icon, const std::string& text,
                 const std::string& informativeText) {
    QMessageBox box(icon, "Quillo", QString::fromStdString(text));
    box.setInformativeText(QString::fromStdString(informativeText));
    bringToFront(box);
    box.exec();
}

} // namespace

QtDialogs::QtDialogs(std::function<void()> bringForward) : bringForward_(std::move(bringForward)) {}

QString QtDialogs::nameFilter(const std::vector<std::string>& fileExtensions) {
    // The patterns in parentheses at the end are what the dialog filters by.
    if (fileExtensions.empty())
        // TRANSLATORS: A choice of the file dialog's filter. "(*)" must stay as it is, at the
        // end.
        return qi18n("All files (*)");
    QStringList names;
    QStringList patterns;
    for (const std::string& extension : fileExtensions) {
        names << "." + QString::fromStdString(extension);
        patterns << "*." + QString::fromStdString(extension);
    }
    // TRANSLATORS: A choice of the file dialog's filter: %1 is the list of extensions
    // (".json, .txt"), %2 their patterns ("*.json *.txt"), which must stay at the end in
    // parentheses.
    return qi18n("%1 files (%2)").arg(names.join(", "), patterns.join(' '));
}

std::optional<std::filesystem::path> QtDialogs::chooseFile(const OpenPanelRequest& request) {
    if (bringForward_)
        bringForward_();
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::is_directory(request.startFolder, error)
                                             ? request.startFolder
                                             : userHomeFolder();
    QFileDialog dialog(nullptr, QString::fromStdString(request.message),
                       QFile::decodeName(folder.c_str()), nameFilter(request.fileExtensions));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    bringToFront(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return std::filesystem::path(QFile::encodeName(dialog.selectedFiles().front()).toStdString());
}

void QtDialogs::showAlert(const std::string& message, const std::string& informativeText) {
    if (bringForward_)
        bringForward_();
    showMessage(QMessageBox::Information, message, informativeText);
}

void QtDialogs::showError(const std::string& description) {
    if (bringForward_)
        bringForward_();
    showMessage(QMessageBox::Warning, description, {});
}

} // namespace quillo
