#pragma once

#include "hamlog/hamlog_library.h"

#include <memory>

// HAMLOG's own libraries (Hamlog50.dll, Thdll2Vb.dll) behind the library interface. Returns
// nothing when Hamlog50.dll cannot be loaded, and always nothing off Windows.
std::unique_ptr<HamlogLibrary> CreateHamlogDllLibrary();
