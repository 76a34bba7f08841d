#include "resources/app_icon.h"

#include "resources/resource_loading.h"

QIcon applicationIcon() {
    ensureResourcesLoaded();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/images/rx7700-%1.png").arg(size), QSize(size, size));
    return icon;
}
