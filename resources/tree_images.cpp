#include "resources/tree_images.h"

#include "resources/resource_loading.h"

QPixmap treeImage(int index) {
    if (index < 0 || index >= treeImageCount)
        return {};
    ensureResourcesLoaded();
    return QPixmap(QStringLiteral(":/images/tree-%1.png").arg(index));
}

QIcon treeIcon(int index) {
    if (index < 0 || index >= treeImageCount)
        return {};
    ensureResourcesLoaded();
    QIcon icon;
    icon.addFile(QStringLiteral(":/images/tree-%1.png").arg(index), QSize(16, 16));
    for (const int size : {24, 32})
        icon.addFile(QStringLiteral(":/images/tree-%1-%2.png").arg(index).arg(size),
                     QSize(size, size));
    return icon;
}
