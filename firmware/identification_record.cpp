#include "firmware/identification_record.h"

#include <cstring>

QString IdentificationRecord::versionText() const {
    if (!hasKnownVersion())
        return QStringLiteral("[unknown]");
    return QString::asprintf("%u.%u%u", unsigned(digit(0)), unsigned(digit(1)), unsigned(digit(2)));
}

IdentificationRecord IdentificationRecord::fromBytes(const void* data) {
    IdentificationRecord record;
    std::memcpy(record.bytes.data(), data, record.bytes.size());
    return record;
}
