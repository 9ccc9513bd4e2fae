#include "cli/ExtendedFormat.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int LowestPower = -300, HighestPower = 320;

// 10^k correctly rounded to the extended format, for k in [LowestPower, HighestPower].
struct TPowers {
    long double value[HighestPower - LowestPower + 1];
    TPowers()
    {
        for (int k = LowestPower; k <= HighestPower; ++k) {
            char text[16];
            std::snprintf(text, sizeof text, "1e%d", k);
            value[k - LowestPower] = std::strtold(text, nullptr);
        }
    }
};

long double Power(int k)
{
    static const TPowers powers; // built once, thread-safe
    return powers.value[k - LowestPower];
}

char *Slow(char *first, long double value)
{
    return std::to_chars(first, first + 32, value, std::chars_format::general, 17).ptr;
}

} // namespace

char *FormatExtended17(char *first, long double value)
{
    if (value == 0.0L && !std::signbit(value)) {
        *first = '0';
        return first + 1;
    }
    if (!(value >= 1e-290L && value < 1e290L))
        return Slow(first, value);
    // The binary exponent from the bits: value = 1.f 2^binary.
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &value, sizeof bytes);
    const int binary = ((bytes[9] & 0x7F) << 8 | bytes[8]) - 16383;
    // floor(log10(2^binary)): floor(log10(value)) or one less.
    int exponent = (binary * 78913) >> 18;
    uint64_t digits = 0;
    for (int attempt = 0;; ++attempt) {
        if (attempt == 3)
            return Slow(first, value);
        // value 10^(16 - exponent), rounded twice (the power and the
        // product): at most about 0.011 from the exact product below 1e17.
        const long double scaled = value * Power(16 - exponent);
        if (scaled >= 1e17L) {
            ++exponent;
            continue;
        }
        if (scaled < 1e16L) {
            --exponent;
            continue;
        }
        // Adding 2^63 rounds to the nearest integer, which then fills the
        // significand below its leading bit: no change of the x87 control word.
        const long double biased = scaled + 0x1p63L;
        const long double fraction = scaled - (biased - 0x1p63L); // exact, in [-1/2, 1/2]
        if (std::fabs(fraction) >= 0.47L)
            return Slow(first, value); // too near a tie to settle here
        uint64_t significand;
        std::memcpy(&significand, &biased, sizeof significand);
        digits = significand - (uint64_t(1) << 63);
        break;
    }
    if (digits == 100000000000000000ULL) {
        digits /= 10;
        ++exponent;
    }
    // Two halves of 32-bit digits, whose chains of divisions overlap.
    char text[17];
    uint32_t high = uint32_t(digits / 100000000), low = uint32_t(digits % 100000000);
    for (int i = 16; i >= 9; --i) {
        text[i] = char('0' + low % 10);
        low /= 10;
        text[i - 8] = char('0' + high % 10);
        high /= 10;
    }
    text[0] = char('0' + high);
    int count = 17; // without the trailing zeros
    while (count > 1 && text[count - 1] == '0')
        --count;
    char *out = first;
    if (exponent >= -4 && exponent < 17) {
        if (exponent < 0) {
            *out++ = '0';
            *out++ = '.';
            for (int i = -1; i > exponent; --i)
                *out++ = '0';
            std::memcpy(out, text, size_t(count));
            out += count;
        } else {
            const int whole = exponent + 1;
            for (int i = 0; i < whole; ++i)
                *out++ = text[i];
            if (count > whole) {
                *out++ = '.';
                std::memcpy(out, text + whole, size_t(count - whole));
                out += count - whole;
            }
        }
    } else {
        *out++ = text[0];
        if (count > 1) {
            *out++ = '.';
            std::memcpy(out, text + 1, size_t(count - 1));
            out += count - 1;
        }
        *out++ = 'e';
        *out++ = exponent < 0 ? '-' : '+';
        const int e = exponent < 0 ? -exponent : exponent;
        if (e >= 100)
            *out++ = char('0' + e / 100);
        *out++ = char('0' + e / 10 % 10);
        *out++ = char('0' + e % 10);
    }
    return out;
}
