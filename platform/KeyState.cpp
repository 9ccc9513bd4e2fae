#include "platform/KeyState.h"

#include <QGuiApplication>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Virtual key of each mask bit; 0 where the bit names no key.
constexpr uint8_t MaskKeys[32] = {
    162, 163, 17,  164, 165, 18, 160, 161, 16, // Ctrl, Alt, Shift: left, right, either
    1,   2,   4,                               // mouse buttons
    91,  92,  93,                              // Windows keys, application key
    106, 107, 109, 111, 110,                   // keypad * + - / .
    44,  144, 145, 20,  19,                    // Print Screen, Num/Scroll/Caps Lock, Pause
};

} // namespace

bool KeysDown(uint32_t mask, clKeyboardSource &source)
{
    TKeyboardState state{};
    if (!source.Read(state))
        return false;
    for (int bit = 0; bit < 32; ++bit) {
        if (!(mask & (1u << bit)) || MaskKeys[bit] == 0)
            continue;
        if (!(state[MaskKeys[bit]] & 0x80))
            return false;
    }
    return true;
}

bool TQtKeyboardSource::Read(TKeyboardState &state)
{
    state.fill(0);
    if (!qGuiApp)
        return false;
#ifdef _WIN32
    // On the Windows platform the system's own state of every virtual key,
    // left and right Shift and Ctrl among them; Qt's view is added below.
    if (QGuiApplication::platformName() == QLatin1String("windows") &&
        !GetKeyboardState(state.data()))
        state.fill(0);
#endif
    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    const Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
    // Qt knows the generic modifiers only; elsewhere the left and right keys read as up.
    auto set = [&state](bool down, std::initializer_list<uint8_t> keys) {
        if (down)
            for (uint8_t vk : keys)
                state[vk] = 0x80;
    };
    set(modifiers & Qt::ShiftModifier, {VkShift});
    set(modifiers & Qt::ControlModifier, {VkControl});
    set(modifiers & Qt::AltModifier, {VkMenu});
    set(buttons & Qt::LeftButton, {VkLButton});
    set(buttons & Qt::RightButton, {VkRButton});
    set(buttons & Qt::MiddleButton, {VkMButton});
    return true;
}
