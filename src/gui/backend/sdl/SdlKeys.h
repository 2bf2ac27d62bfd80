#pragma once
// SDL key codes to the platform's virtual-key codes. Left and right
// modifiers both become the generic VK_SHIFT, VK_CONTROL and VK_MENU, as the
// key messages carry them. Keys without a virtual-key code become 0xFF, the
// code the platform gives such keys, so that "any key" still sees them.

#include <SDL_keycode.h>

#include <cstdint>

namespace saver {

constexpr uint16_t kUnmappedVirtualKey = 0xFF;

[[nodiscard]] uint16_t VirtualKeyFromSdl(SDL_Keycode key);

} // namespace saver
