#include "Platform.h"

#include <cassert>

namespace platform {

namespace {
Platform* g_backend = nullptr;
}

void install(Platform* backend)
{
    g_backend = backend;
}

Platform& current()
{
    assert(g_backend != nullptr);
    return *g_backend;
}

bool installed()
{
    return g_backend != nullptr;
}

}  // namespace platform
