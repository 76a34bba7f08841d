#pragma once

// Registers the images compiled into this library. A static library's resources are only
// linked in when something calls this; every accessor does, once is enough.
void ensureResourcesLoaded();
