#include "resources/resource_loading.h"

#include <QtGlobal>

// The resource initialiser must be called outside any namespace.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

void ensureResourcesLoaded() {
    static const bool loaded = (initResources(), true);
    Q_UNUSED(loaded);
}
