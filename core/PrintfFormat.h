#pragma once

// The format archetype of the printf-style helpers, for -Wformat: MinGW's
// own printf family (__USE_MINGW_ANSI_STDIO, which prints long double) is
// checked as GNU's, not as Microsoft's runtime that knows no "%Lf".
#ifdef __MINGW_PRINTF_FORMAT
#define VELMAR_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define VELMAR_PRINTF_FORMAT printf
#endif
