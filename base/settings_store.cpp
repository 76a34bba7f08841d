#include "base/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace {
// The company key is seven spaces, kept exactly (not trimmed).
const QString companyKey = QStringLiteral("       ");

std::unique_ptr<QSettings> open(const QString& filePath) {
#ifdef Q_OS_WIN
    const QString applicationName =
        SettingsStore::applicationNameFor(QCoreApplication::applicationFilePath());
    if (filePath.isEmpty())
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           companyKey, applicationName);
#endif
    return std::make_unique<QSettings>(filePath, QSettings::IniFormat);
}
} // namespace

SettingsStore::SettingsStore() {
#ifndef Q_OS_WIN
    filePath_ = defaultFilePath();
#endif
}

SettingsStore::SettingsStore(QString filePath) : filePath_(std::move(filePath)) {}

QString SettingsStore::defaultFilePath() {
    return filePathFor(QCoreApplication::applicationFilePath());
}

QString SettingsStore::filePathFor(const QString& executablePath) {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(dir).filePath(applicationNameFor(executablePath) + QStringLiteral(".conf"));
}

QString SettingsStore::applicationNameFor(const QString& executablePath) {
    const QString name = QFileInfo(executablePath).completeBaseName();
    return name.isEmpty() ? QStringLiteral("rx7700") : name;
}

QString SettingsStore::readText(const QString& section, const QString& name) const {
    const auto settings = open(filePath_);
    const QVariant value = settings->value(section + u'/' + name);
    return value.canConvert<QString>() ? value.toString() : QString();
}

void SettingsStore::writeText(const QString& section, const QString& name, const QString& value) {
    if (!filePath_.isEmpty())
        QDir().mkpath(QFileInfo(filePath_).absolutePath());
    const auto settings = open(filePath_);
    settings->setValue(section + u'/' + name, value);
    settings->sync();
}

int SettingsStore::readInteger(const QString& section, const QString& name, int fallback) const {
    const auto settings = open(filePath_);
    bool ok = false;
    const int value = settings->value(section + u'/' + name).toInt(&ok);
    return ok ? value : fallback;
}

void SettingsStore::writeInteger(const QString& section, const QString& name, int value) {
    if (!filePath_.isEmpty())
        QDir().mkpath(QFileInfo(filePath_).absolutePath());
    const auto settings = open(filePath_);
    settings->setValue(section + u'/' + name, value);
    settings->sync();
}
