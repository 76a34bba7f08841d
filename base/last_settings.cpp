#include "base/last_settings.h"

const QString LastSettings::sectionName = QStringLiteral("Last settings");
const QString LastSettings::firmwareName = QStringLiteral("Firmware");
const QString LastSettings::channelsName = QStringLiteral("Channels");
const QString LastSettings::comName = QStringLiteral("Com");

QString LastSettings::readFirmwarePath() const {
    return store_.readText(sectionName, firmwareName);
}

void LastSettings::writeFirmwarePath(const QString& path) {
    store_.writeText(sectionName, firmwareName, path);
}

QString LastSettings::readChannelPath() const {
    return store_.readText(sectionName, channelsName);
}

void LastSettings::writeChannelPath(const QString& path) {
    store_.writeText(sectionName, channelsName, path);
}

int LastSettings::readComPort() const {
    return store_.readInteger(sectionName, comName, 0);
}

void LastSettings::writeComPort(int port) {
    store_.writeInteger(sectionName, comName, port);
}
