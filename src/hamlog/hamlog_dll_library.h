#pragma once

#include "hamlog/hamlog_library.h"

#include <memory>

// HAMLOG's own libraries (Hamlog50.dll, Thdll2Vb.dll) behind the library interface, loaded by
// name on first use. On Windows always returned, loaded or not: there the DLLs are the only
// backend, and a missing one fails each call with its name. Nothing off Windows.
std::unique_ptr<HamlogLibrary> CreateHamlogDllLibrary();
