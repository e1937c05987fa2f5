#include "hamlog/hamlog_dll_library.h"

std::unique_ptr<HamlogLibrary> CreateHamlogDllLibrary()
{
    return nullptr;
}
