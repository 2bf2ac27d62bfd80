#include "gdi/GlyphRenderer.h"

#include <atomic>

namespace saver {

namespace {
std::atomic<GlyphRenderer*> g_installed{nullptr};
}

GlyphRenderer& CurrentGlyphRenderer()
{
    GlyphRenderer* installed = g_installed.load(std::memory_order_acquire);
    return installed ? *installed : PlatformGlyphRenderer();
}

void InstallGlyphRenderer(GlyphRenderer* renderer) { g_installed.store(renderer, std::memory_order_release); }

} // namespace saver
