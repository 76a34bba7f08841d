#include "resources/tree_images.h"

#include "resources/resource_loading.h"

QPixmap treeImage(int index) {
    if (index < 0 || index >= treeImageCount)
        return {};
    ensureResourcesLoaded();
    return QPixmap(QStringLiteral(":/images/tree-%1.png").arg(index));
}
