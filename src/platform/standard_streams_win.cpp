#include "platform/standard_streams.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

void UseBinaryStandardStreams()
{
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The tool writes UTF-8; a console shows it as such only when told.
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) || GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode))
        SetConsoleOutputCP(CP_UTF8);
}
