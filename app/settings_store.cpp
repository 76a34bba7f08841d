#include "app/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace {
// The company key is seven spaces, kept exactly (not trimmed).
const QString companyKey = QStringLiteral("       ");

QString applicationName() {
    const QString exe = QCoreApplication::applicationFilePath();
    const QString name = QFileInfo(exe).completeBaseName();
    return name.isEmpty() ? QStringLiteral("rx7700") : name;
}

std::unique_ptr<QSettings> open(const QString& filePath) {
#ifdef Q_OS_WIN
    if (filePath.isEmpty())
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           companyKey, applicationName());
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
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(dir).filePath(applicationName() + QStringLiteral(".conf"));
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
