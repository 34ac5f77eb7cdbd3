#include "core/live_objects.h"

namespace drapix {

namespace {

int g_objects = 0;

} // namespace

void ObjectCreated() {
    ++g_objects;
}

void ObjectDestroyed() {
    --g_objects;
}

int LiveObjects() {
    return g_objects;
}

} // namespace drapix
