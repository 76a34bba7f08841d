#include "resources/app_icon.h"

// The resource initialiser must be declared outside any namespace. A static library's
// resources are only linked in when something calls it.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

QIcon applicationIcon() {
    static const bool initialised = (initResources(), true);
    Q_UNUSED(initialised);
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/rx7700-%1.png").arg(size), QSize(size, size));
    return icon;
}
