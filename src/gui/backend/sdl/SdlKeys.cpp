#include "gui/backend/sdl/SdlKeys.h"

namespace saver {

uint16_t VirtualKeyFromSdl(SDL_Keycode key)
{
    // Letters are the upper-case ASCII codes, digits their ASCII codes.
    if (key >= SDLK_a && key <= SDLK_z)
        return uint16_t('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return uint16_t(key);
    // F1 to F12 are contiguous in both numberings, F13 to F24 too.
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return uint16_t(0x70 + (key - SDLK_F1));
    if (key >= SDLK_F13 && key <= SDLK_F24)
        return uint16_t(0x7C + (key - SDLK_F13));
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return uint16_t(0x61 + (key - SDLK_KP_1));

    switch (key) {
    case SDLK_BACKSPACE: return 0x08; // VK_BACK
    case SDLK_TAB: return 0x09;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 0x0D;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return 0x10; // VK_SHIFT
    case SDLK_LCTRL:
    case SDLK_RCTRL: return 0x11; // VK_CONTROL
    case SDLK_LALT:
    case SDLK_RALT: return 0x12; // VK_MENU
    case SDLK_PAUSE: return 0x13;
    case SDLK_CAPSLOCK: return 0x14;
    case SDLK_ESCAPE: return 0x1B;
    case SDLK_SPACE: return 0x20;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    case SDLK_PRINTSCREEN: return 0x2C;
    case SDLK_INSERT: return 0x2D;
    case SDLK_DELETE: return 0x2E;
    case SDLK_LGUI: return 0x5B;
    case SDLK_RGUI: return 0x5C;
    case SDLK_APPLICATION: return 0x5D;
    case SDLK_KP_0: return 0x60;
    case SDLK_KP_MULTIPLY: return 0x6A;
    case SDLK_KP_PLUS: return 0x6B;
    case SDLK_KP_MINUS: return 0x6D;
    case SDLK_KP_PERIOD: return 0x6E;
    case SDLK_KP_DIVIDE: return 0x6F;
    case SDLK_NUMLOCKCLEAR: return 0x90;
    case SDLK_SCROLLLOCK: return 0x91;
    // The US layout's punctuation keys (VK_OEM_*).
    case SDLK_SEMICOLON: return 0xBA;
    case SDLK_EQUALS: return 0xBB;
    case SDLK_COMMA: return 0xBC;
    case SDLK_MINUS: return 0xBD;
    case SDLK_PERIOD: return 0xBE;
    case SDLK_SLASH: return 0xBF;
    case SDLK_BACKQUOTE: return 0xC0;
    case SDLK_LEFTBRACKET: return 0xDB;
    case SDLK_BACKSLASH: return 0xDC;
    case SDLK_RIGHTBRACKET: return 0xDD;
    case SDLK_QUOTE: return 0xDE;
    default: return kUnmappedVirtualKey;
    }
}

} // namespace saver
