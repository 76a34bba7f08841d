#include "base/settings_store.h"

#include "base/settings_store_native.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
QString& storeDirectoryOverride() {
    static QString directory;
    return directory;
}
} // namespace

SettingsStore::SettingsStore()
    : SettingsStore(ofApplication(applicationNameFor(QCoreApplication::applicationFilePath()))) {}

SettingsStore::SettingsStore(QString filePath) : filePath_(std::move(filePath)) {}

SettingsStore SettingsStore::ofApplication(const QString& applicationName) {
    if (!storeDirectoryOverride().isEmpty() || !NativeSettings::available())
        return SettingsStore(filePathFor(applicationName));
    SettingsStore store{QString()};
    store.applicationName_ = applicationName;
    return store;
}

void SettingsStore::keepStoresInDirectory(const QString& directory) {
    storeDirectoryOverride() = directory;
}

QString SettingsStore::defaultFilePath() {
    return filePathFor(QCoreApplication::applicationFilePath());
}

QString SettingsStore::filePathFor(const QString& executablePath) {
    const QString dir =
        storeDirectoryOverride().isEmpty()
            ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            : storeDirectoryOverride();
    return QDir(dir).filePath(applicationNameFor(executablePath) + QStringLiteral(".conf"));
}

QString SettingsStore::applicationNameFor(const QString& executablePath) {
    const QString name = QFileInfo(executablePath).completeBaseName();
    return name.isEmpty() ? QStringLiteral("rx7700") : name;
}

std::unique_ptr<QSettings> SettingsStore::open() const {
    if (filePath_.isEmpty())
        return NativeSettings::open(applicationName_);
    return std::make_unique<QSettings>(filePath_, QSettings::IniFormat);
}

QString SettingsStore::readText(const QString& section, const QString& name) const {
    const auto settings = open();
    const QVariant value = settings->value(section + u'/' + name);
    return value.canConvert<QString>() ? value.toString() : QString();
}

void SettingsStore::writeText(const QString& section, const QString& name, const QString& value) {
    if (!filePath_.isEmpty())
        QDir().mkpath(QFileInfo(filePath_).absolutePath());
    const auto settings = open();
    settings->setValue(section + u'/' + name, value);
    settings->sync();
}

int SettingsStore::readInteger(const QString& section, const QString& name, int fallback) const {
    const auto settings = open();
    bool ok = false;
    const int value = settings->value(section + u'/' + name).toInt(&ok);
    return ok ? value : fallback;
}

void SettingsStore::writeInteger(const QString& section, const QString& name, int value) {
    if (!filePath_.isEmpty())
        QDir().mkpath(QFileInfo(filePath_).absolutePath());
    const auto settings = open();
    settings->setValue(section + u'/' + name, value);
    settings->sync();
}
