#pragma once

// Calls into Turbo HAMLOG's 32-bit libraries. Plain C++ and the Windows API only, no Qt, so that
// it can be compiled for 32-bit Windows on any machine and does not rot unseen.

#include <cstdint>

namespace hamlogdll {

// Why the last call could not be made.
enum class Failure {
    None,
    LibraryMissing,  // failedLibrary() could not be loaded
    FunctionMissing, // failedFunction() is not exported by failedLibrary()
};

// Hamlog50.dll and Thdll2Vb.dll, each loaded by name on first use and kept until destruction.
// Texts go over as zero-terminated strings in the ANSI code page; integers by value, except the
// variable of THW_append. Every function returns false when the call could not be made.
class HamlogDll
{
public:
    HamlogDll() = default;
    ~HamlogDll();
    HamlogDll(const HamlogDll&) = delete;
    HamlogDll& operator=(const HamlogDll&) = delete;

    // Loads Hamlog50.dll if not yet loaded.
    bool loadMain();
    bool isMainLoaded() const { return m_main != nullptr; }

    bool getThdllVersion(int32_t& version);
    bool hamlogOpen(int32_t mode, unsigned char* buffer, const char* path, int32_t option, int32_t& result);
    bool setThBuffer(unsigned char* buffer, const char* text, int32_t index);
    bool thwAppend(unsigned char* buffer, int32_t fieldCount, int32_t* variable);
    bool hamlogClose(unsigned char* buffer, int32_t option);

    Failure failure() const { return m_failure; }
    const char* failedLibrary() const { return m_failedLibrary; }
    const char* failedFunction() const { return m_failedFunction; }

private:
    bool loadVb();
    // Finds a function by its plain name or, failing that, by its stdcall-decorated name
    // ("_Name@bytes"); stores it in *target. argumentBytes is the size of the arguments.
    bool resolve(void* module, const char* library, const char* name, int argumentBytes, void* target);
    bool fail(Failure failure, const char* library, const char* function);

    void* m_main = nullptr; // HMODULE of Hamlog50.dll
    void* m_vb = nullptr;   // HMODULE of Thdll2Vb.dll
    void* m_getVersion = nullptr;
    void* m_open = nullptr;
    void* m_setBuffer = nullptr;
    void* m_append = nullptr;
    void* m_close = nullptr;
    Failure m_failure = Failure::None;
    const char* m_failedLibrary = "";
    const char* m_failedFunction = "";
};

} // namespace hamlogdll
