#include "platform/hamlog_dll_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace hamlogdll {
namespace {

const char kMainLibrary[] = "Hamlog50.dll";
const char kVbLibrary[] = "Thdll2Vb.dll";

typedef int32_t(__stdcall* GetThdllVersionFn)();
typedef int32_t(__stdcall* HamlogOpenFn)(int32_t, unsigned char*, const char*, int32_t);
typedef int32_t(__stdcall* SetThBufferFn)(unsigned char*, const char*, int32_t);
typedef int32_t(__stdcall* ThwAppendFn)(unsigned char*, int32_t, int32_t*);
typedef int32_t(__stdcall* HamlogCloseFn)(unsigned char*, int32_t);

// Function pointers are kept as void* so that the header needs no Windows types; memcpy moves
// them between the pointer kinds without a cast the compiler may warn about.
template <typename Fn> Fn as(void* stored)
{
    Fn fn;
    static_assert(sizeof fn == sizeof stored, "function and data pointers differ in size");
    std::memcpy(&fn, &stored, sizeof fn);
    return fn;
}

} // namespace

HamlogDll::~HamlogDll()
{
    if (m_vb)
        FreeLibrary(static_cast<HMODULE>(m_vb));
    if (m_main)
        FreeLibrary(static_cast<HMODULE>(m_main));
}

bool HamlogDll::fail(Failure failure, const char* library, const char* function)
{
    m_failure = failure;
    m_failedLibrary = library;
    m_failedFunction = function;
    return false;
}

bool HamlogDll::loadMain()
{
    if (m_main)
        return true;
    m_main = LoadLibraryA(kMainLibrary);
    if (!m_main)
        return fail(Failure::LibraryMissing, kMainLibrary, "");
    return true;
}

bool HamlogDll::loadVb()
{
    if (m_vb)
        return true;
    m_vb = LoadLibraryA(kVbLibrary);
    if (!m_vb)
        return fail(Failure::LibraryMissing, kVbLibrary, "");
    return true;
}

bool HamlogDll::resolve(void* module, const char* library, const char* name, int argumentBytes, void* target)
{
    void*& slot = *static_cast<void**>(target);
    if (slot)
        return true;
    FARPROC proc = GetProcAddress(static_cast<HMODULE>(module), name);
    if (!proc) {
        char decorated[64];
        std::snprintf(decorated, sizeof decorated, "_%s@%d", name, argumentBytes);
        proc = GetProcAddress(static_cast<HMODULE>(module), decorated);
    }
    if (!proc)
        return fail(Failure::FunctionMissing, library, name);
    static_assert(sizeof proc == sizeof slot, "function and data pointers differ in size");
    std::memcpy(&slot, &proc, sizeof slot);
    return true;
}

bool HamlogDll::getThdllVersion(int32_t& version)
{
    if (!loadMain() || !resolve(m_main, kMainLibrary, "GetThdllVersion", 0, &m_getVersion))
        return false;
    version = as<GetThdllVersionFn>(m_getVersion)();
    m_failure = Failure::None;
    return true;
}

bool HamlogDll::hamlogOpen(int32_t mode, unsigned char* buffer, const char* path, int32_t option,
                           int32_t& result)
{
    if (!loadMain() || !resolve(m_main, kMainLibrary, "HamlogOpen", 16, &m_open))
        return false;
    result = as<HamlogOpenFn>(m_open)(mode, buffer, path, option);
    m_failure = Failure::None;
    return true;
}

bool HamlogDll::setThBuffer(unsigned char* buffer, const char* text, int32_t index)
{
    if (!loadVb() || !resolve(m_vb, kVbLibrary, "SetThBuffer", 12, &m_setBuffer))
        return false;
    as<SetThBufferFn>(m_setBuffer)(buffer, text, index);
    m_failure = Failure::None;
    return true;
}

bool HamlogDll::thwAppend(unsigned char* buffer, int32_t fieldCount, int32_t* variable)
{
    if (!loadMain() || !resolve(m_main, kMainLibrary, "THW_append", 12, &m_append))
        return false;
    as<ThwAppendFn>(m_append)(buffer, fieldCount, variable);
    m_failure = Failure::None;
    return true;
}

bool HamlogDll::hamlogClose(unsigned char* buffer, int32_t option)
{
    if (!loadMain() || !resolve(m_main, kMainLibrary, "HamlogClose", 8, &m_close))
        return false;
    as<HamlogCloseFn>(m_close)(buffer, option);
    m_failure = Failure::None;
    return true;
}

} // namespace hamlogdll
