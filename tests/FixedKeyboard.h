#pragma once

#include "platform/KeyState.h"

// A fixed keyboard state, for tests and benchmarks.
class TFixedKeyboardSource : public clKeyboardSource {
public:
    TKeyboardState state{};
    bool readable = true;
    void Press(uint8_t vk) { state[vk] = 0x80; }
    bool Read(TKeyboardState &out) override
    {
        out = state;
        return readable;
    }
};
