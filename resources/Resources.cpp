#include "resources/Resources.h"

#include <QtGlobal>

// Outside any namespace, as the resource's init function is global.
void LoadResources() {
    static bool loaded = false;
    if (!loaded) {
        Q_INIT_RESOURCE(spanmeter);
        loaded = true;
    }
}
