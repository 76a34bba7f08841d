#include "base/name_settings.h"

const QString NameSettings::sectionName = QStringLiteral("Names");
const QString NameSettings::charsetName = QStringLiteral("Charset");
const QString NameSettings::defaultCharset = QStringLiteral("ISO-8859-1");

QString NameSettings::readCharset() const {
    const QString name = store_.readText(sectionName, charsetName);
    return name.isEmpty() ? defaultCharset : name;
}

void NameSettings::writeCharset(const QString& ianaName) {
    store_.writeText(sectionName, charsetName, ianaName);
}
