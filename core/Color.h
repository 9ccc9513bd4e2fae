#pragma once

#include <cstdint>

// A colour as the store and the chart keep it: 0x00BBGGRR, red in the lowest byte.
using TColor = uint32_t;

// The toolkit's opaque pixel value 0xFFRRGGBB of a colour, and back.
constexpr uint32_t ColorToRgb(TColor colour)
{
    return 0xFF000000u | (colour & 0xFFu) << 16 | (colour & 0xFF00u) | (colour >> 16 & 0xFFu);
}

constexpr TColor RgbToColor(uint32_t rgb)
{
    return (rgb >> 16 & 0xFFu) | (rgb & 0xFF00u) | (rgb & 0xFFu) << 16;
}
