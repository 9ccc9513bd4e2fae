#pragma once

#include <array>
#include <cstdint>

// State of the 256 virtual keys; bit 7 of a key's byte set means it is held down.
using TKeyboardState = std::array<uint8_t, 256>;

// Where KeysDown reads the keyboard from; tests inject their own.
class clKeyboardSource {
public:
    virtual ~clKeyboardSource() = default;
    // false when the state cannot be read.
    virtual bool Read(TKeyboardState &state) = 0;
};

// Virtual key codes that the program tests.
enum TVirtualKey : uint8_t {
    VkLButton = 1,
    VkRButton = 2,
    VkMButton = 4,
    VkShift = 16,
    VkControl = 17,
    VkMenu = 18,
    VkLShift = 160,
    VkRShift = 161,
    VkLControl = 162,
    VkRControl = 163,
    VkLMenu = 164,
    VkRMenu = 165,
};

constexpr uint32_t KeyMaskCtrl = 1u << 2;
constexpr uint32_t KeyMaskShift = 1u << 8;

// True when every key named by a set bit of mask is held down.
bool KeysDown(uint32_t mask, clKeyboardSource &source);

// The generic Shift, Ctrl and Alt (with their left and right keys) from Qt's
// modifier state and the mouse buttons from Qt's button state; every other key
// reads as up. On Windows, with its own platform, every key as the system has it.
class TQtKeyboardSource : public clKeyboardSource {
public:
    bool Read(TKeyboardState &state) override;
};
