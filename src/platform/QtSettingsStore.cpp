#include "QtSettingsStore.h"

#include "core/platform/DataFolder.h"

#include <QFile>
#include <cstdlib>

namespace quillo {

namespace {

QString qtString(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

std::filesystem::path userConfigFolder() {
    // The XDG rules say a relative value is invalid and must be ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        return xdg;
    return userHomeFolder() / ".config";
}

std::filesystem::path QtSettingsStore::userFile() {
    return userConfigFolder() / "Quillo" / "Quillo.conf";
}

QtSettingsStore::QtSettingsStore(const std::filesystem::path& file)
    : settings_(QFile::decodeName(file.c_str()), QSettings::IniFormat) {}

std::optional<std::string> QtSettingsStore::value(const std::string& key) const {
    const QVariant stored = settings_.value(qtString(key));
    if (!stored.isValid())
        return std::nullopt;
    return stored.toString().toStdString();
}

void QtSettingsStore::setValue(const std::string& key, const std::string& value) {
    settings_.setValue(qtString(key), qtString(value));
    // Written at once: the program may be killed rather than quit.
    write();
}

void QtSettingsStore::remove(const std::string& key) {
    settings_.remove(qtString(key));
    write();
}

void QtSettingsStore::write() {
    settings_.sync();
    // The user's alone, as the library is.
    QFile::setPermissions(settings_.fileName(), QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace quillo
