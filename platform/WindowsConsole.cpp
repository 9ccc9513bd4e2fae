#include "platform/WindowsConsole.h"

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

UINT EarlierOutputCodePage = 0;

void RestoreOutputCodePage()
{
    if (EarlierOutputCodePage != 0)
        SetConsoleOutputCP(EarlierOutputCodePage);
}

bool IsConsole(DWORD which)
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

} // namespace

void UseUtf8Console()
{
    // Only a console has a code page; a pipe or a file takes the bytes as they are.
    if (!IsConsole(STD_OUTPUT_HANDLE) && !IsConsole(STD_ERROR_HANDLE))
        return;
    const UINT earlier = GetConsoleOutputCP();
    if (earlier == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8))
        return;
    EarlierOutputCodePage = earlier;
    std::atexit(RestoreOutputCodePage);
}

void AttachParentConsole()
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE)
        return; // redirected to a file or a pipe, or a console already
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
    UseUtf8Console();
}

void BinaryStandardOutput()
{
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

void BinaryStandardInput()
{
    _setmode(_fileno(stdin), _O_BINARY);
}
