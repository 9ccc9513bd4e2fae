#pragma once

// The text std::to_chars(value, general, 17) gives for value (printf's
// "%.17Lg"), written from first (at most 32 characters); returns the end.
// Most values are formatted here at a third of that call's cost; the few
// whose last digit the fast way cannot settle go through it, so the bytes are
// always the same.
char *FormatExtended17(char *first, long double value);
