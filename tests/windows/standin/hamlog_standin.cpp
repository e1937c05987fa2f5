// Stands in for HAMLOG's Hamlog50.dll and Thdll2Vb.dll in the Windows test. One source serves both
// libraries: the module-definition file each is linked with decides which functions it exports and
// under which names, so variants without a function or with stdcall-decorated names need no code.
//
// Every call is written as one line to the file named by VELKOR_STANDIN_LOG:
//   <library> <function> <arguments...> -> <result>
// Texts appear in double quotes with every byte outside printable ASCII (and the quote and the
// backslash) as \xNN, so the Shift-JIS bytes the library received can be compared exactly; the
// buffer appears as its address in hexadecimal.
//
// Each call's arguments are checked against what the libraries expect of their caller (HamlogOpen
// with mode 0 and option 1 and a path in Shift-JIS, SetThBuffer for indexes 0 to 14 and 16 on the
// opened buffer, THW_append with 16 fields and a variable holding 0, HamlogClose with option 1); a
// wrong one adds a line
//   <library> FAILED <function>: <what is wrong>
// after the call's own line. Like the real libraries, HamlogOpen and THW_append write over the
// whole 3928-byte buffer, so a shorter one shows as damaged memory.
//
// Switches, read at every call so that one test process can flip them:
//   VELKOR_STANDIN_FAIL    function names, comma-separated, whose calls fail: GetThdllVersion
//                          returns 0, the others a non-zero result without doing their work
//   VELKOR_STANDIN_REFUSE  library file names, comma-separated, that refuse to load
//   VELKOR_STANDIN_VERSION the version GetThdllVersion returns, in hexadecimal (default 525)

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The buffer's layout is this library's own business, as it is the real library's: a mark of the
// open database, then one slot per field of the record being built.
const size_t kBufferSize = 3928;
const char kOpenMark[4] = {'O', 'P', 'E', 'N'};
const size_t kFieldSlots = 17; // index 0 unused, fields 1 to 16
const size_t kSlotSize = 220;
const size_t kRecordOffset = 16;
static_assert(kRecordOffset + kFieldSlots * kSlotSize <= kBufferSize, "record does not fit the buffer");

char g_library[MAX_PATH] = ""; // our file name, "Hamlog50.dll" or "Thdll2Vb.dll"
char g_variant[MAX_PATH] = ""; // name of the folder we were loaded from
std::string g_databasePath;    // path of the open database, as the caller's bytes

std::string environment(const char* name)
{
    char value[1024];
    const DWORD size = GetEnvironmentVariableA(name, value, sizeof value);
    if (size == 0 || size >= sizeof value)
        return std::string();
    return std::string(value, size);
}

bool listed(const char* variable, const char* name)
{
    const std::string list = "," + environment(variable) + ",";
    return list.find("," + std::string(name) + ",") != std::string::npos;
}

std::string quoted(const char* text)
{
    if (!text)
        return "(null)";
    std::string out = "\"";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p >= 0x20 && *p < 0x7F && *p != '"' && *p != '\\') {
            out += static_cast<char>(*p);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", *p);
            out += escape;
        }
    }
    return out + "\"";
}

std::string hex(const void* pointer)
{
    char text[32];
    std::snprintf(text, sizeof text, "%llx",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(pointer)));
    return text;
}

void record(const std::string& line)
{
    const std::string path = environment("VELKOR_STANDIN_LOG");
    if (path.empty())
        return;
    FILE* file = std::fopen(path.c_str(), "ab");
    if (!file)
        return;
    std::fprintf(file, "%s %s\n", g_library, line.c_str());
    std::fclose(file);
}

// The call's own line, then a failure line for each argument found wrong.
class Call
{
public:
    Call(const std::string& line, const char* function) : m_line(line), m_function(function) {}
    void expect(bool good, const std::string& what)
    {
        if (!good)
            m_wrong.push_back(what);
    }
    void write() const
    {
        record(m_line);
        for (const std::string& what : m_wrong)
            record("FAILED " + m_function + ": " + what);
    }

private:
    std::string m_line;
    std::string m_function;
    std::vector<std::string> m_wrong;
};

// Whether the bytes are text in Shift-JIS (code page 932), whatever the system's code page.
bool isShiftJis(const char* text)
{
    if (!text)
        return false;
    if (!*text)
        return true;
    return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0) > 0;
}

char* slot(unsigned char* buffer, int32_t index)
{
    return reinterpret_cast<char*>(buffer + kRecordOffset + static_cast<size_t>(index) * kSlotSize);
}

bool isOpen(const unsigned char* buffer)
{
    return std::memcmp(buffer, kOpenMark, sizeof kOpenMark) == 0;
}

bool fileExists(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string nameOnly(const char* path)
{
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH];
        const DWORD size = GetModuleFileNameA(instance, path, sizeof path);
        path[size < sizeof path ? size : sizeof path - 1] = '\0';
        std::snprintf(g_library, sizeof g_library, "%s", nameOnly(path).c_str());
        if (char* slash = std::strrchr(path, '\\')) {
            *slash = '\0';
            std::snprintf(g_variant, sizeof g_variant, "%s", nameOnly(path).c_str());
        }
        if (listed("VELKOR_STANDIN_REFUSE", g_library)) {
            record("refused to load");
            return FALSE;
        }
        record(std::string("loaded from ") + g_variant);
    } else if (reason == DLL_PROCESS_DETACH) {
        record("unloaded");
    }
    return TRUE;
}

int32_t __stdcall GetThdllVersion()
{
    int32_t version = 0x525;
    const std::string wanted = environment("VELKOR_STANDIN_VERSION");
    if (!wanted.empty())
        version = static_cast<int32_t>(std::strtoul(wanted.c_str(), nullptr, 16));
    if (listed("VELKOR_STANDIN_FAIL", "GetThdllVersion"))
        version = 0;
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(version));
    record(std::string("GetThdllVersion -> ") + text);
    return version;
}

// 0 when the database is open; 1 when told to fail; 2 when there is no such file.
int32_t __stdcall HamlogOpen(int32_t mode, unsigned char* buffer, const char* path, int32_t option)
{
    int32_t result = 0;
    if (listed("VELKOR_STANDIN_FAIL", "HamlogOpen"))
        result = 1;
    else if (!path || !fileExists(path))
        result = 2;
    if (result == 0 && buffer) {
        std::memset(buffer, 0, kBufferSize);
        std::memcpy(buffer, kOpenMark, sizeof kOpenMark);
        g_databasePath = path;
    }
    Call call("HamlogOpen " + std::to_string(mode) + " " + hex(buffer) + " " + quoted(path) + " " +
                  std::to_string(option) + " -> " + std::to_string(result),
              "HamlogOpen");
    call.expect(mode == 0, "mode " + std::to_string(mode) + ", not 0");
    call.expect(buffer != nullptr, "no buffer");
    call.expect(path != nullptr, "no path");
    call.expect(!path || isShiftJis(path), "the path is not Shift-JIS text");
    call.expect(option == 1, "option " + std::to_string(option) + ", not 1");
    call.write();
    return result;
}

int32_t __stdcall SetThBuffer(unsigned char* buffer, const char* text, int32_t index)
{
    int32_t result = 0;
    const bool opened = buffer && isOpen(buffer);
    if (listed("VELKOR_STANDIN_FAIL", "SetThBuffer") || !text || !buffer)
        result = 1;
    else if (index < 0 || index >= static_cast<int32_t>(kFieldSlots))
        result = 3;
    else if (index == 0 && text[0] == '\0')
        std::memset(slot(buffer, 0), 0, kFieldSlots * kSlotSize);
    else
        std::snprintf(slot(buffer, index), kSlotSize, "%s", text);
    Call call("SetThBuffer " + hex(buffer) + " " + quoted(text) + " " + std::to_string(index) + " -> " +
                  std::to_string(result),
              "SetThBuffer");
    call.expect(opened, "the buffer was not opened by HamlogOpen");
    call.expect(text != nullptr, "no text");
    call.expect(!text || isShiftJis(text), "the text is not Shift-JIS");
    call.expect(index >= 0 && index <= 16 && index != 15, "index " + std::to_string(index));
    call.expect(index != 0 || !text || !*text, "index 0 with a text: it only clears the record");
    call.write();
    return result;
}

// Appends the record held in the buffer to the database file as one line of its fields and
// counts the record into the caller's variable, which shows that it came by address.
int32_t __stdcall THW_append(unsigned char* buffer, int32_t fieldCount, int32_t* variable)
{
    const int32_t received = variable ? *variable : -1;
    const bool opened = buffer && isOpen(buffer);
    int32_t result = 0;
    if (listed("VELKOR_STANDIN_FAIL", "THW_append"))
        result = 1;
    else if (!opened)
        result = 4;
    std::string fields;
    for (int32_t i = 1; buffer && i < static_cast<int32_t>(kFieldSlots); ++i)
        fields += " " + std::to_string(i) + "=" + quoted(slot(buffer, i));
    if (result == 0) {
        // The record is used up: the library's working state takes the whole buffer.
        std::memset(buffer + sizeof kOpenMark, 0xA5, kBufferSize - sizeof kOpenMark);
        std::memset(buffer + kRecordOffset, 0, kFieldSlots * kSlotSize);
        if (FILE* file = std::fopen(g_databasePath.c_str(), "ab")) {
            std::fprintf(file, "%s\n", fields.c_str() + 1);
            std::fclose(file);
        }
        if (variable)
            *variable = received + 1;
    }
    Call call("THW_append " + hex(buffer) + " " + std::to_string(fieldCount) + " " +
                  std::to_string(received) + " -> " + std::to_string(result) +
                  (result == 0 ? " record" + fields : std::string()),
              "THW_append");
    call.expect(opened, "the buffer was not opened by HamlogOpen");
    call.expect(fieldCount == 16, "field count " + std::to_string(fieldCount) + ", not 16");
    call.expect(variable != nullptr, "no variable");
    call.expect(!variable || received == 0, "the variable held " + std::to_string(received) + ", not 0");
    call.write();
    return result;
}

// Closing what is not open does no harm.
int32_t __stdcall HamlogClose(unsigned char* buffer, int32_t option)
{
    const bool wasOpen = buffer && isOpen(buffer);
    int32_t result = listed("VELKOR_STANDIN_FAIL", "HamlogClose") ? 1 : 0;
    if (result == 0 && wasOpen) {
        std::memset(buffer, 0, sizeof kOpenMark);
        g_databasePath.clear();
    }
    Call call("HamlogClose " + hex(buffer) + " " + std::to_string(option) +
                  (wasOpen ? " open" : " not-open") + " -> " + std::to_string(result),
              "HamlogClose");
    call.expect(buffer != nullptr, "no buffer");
    call.expect(option == 1, "option " + std::to_string(option) + ", not 1");
    call.write();
    return result;
}

} // extern "C"
