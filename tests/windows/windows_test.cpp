// Runs the program's Windows code for real (under Wine on the build machines): the calls into
// HAMLOG's libraries against the project's stand-in libraries, the ANSI code page conversion, durable
// appends and the start and watch of a partner program (the stand-in partner_standin.exe). Plain C++ and the
// Windows API, like the code it runs. Exit status 0 when every check holds. Built and run by
// scripts/test-windows.sh, not by the CMake build.

#include "platform/ansi_code_page_win.h"
#include "platform/durable_file.h"
#include "platform/hamlog_dll_win.h"
#include "platform/partner_process.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using hamlogdll::Failure;
using hamlogdll::HamlogDll;

int g_checks = 0;
int g_failures = 0;
const char* g_case = "";
std::wstring g_folder; // the folder of this program, with the stand-in variants below it

bool check(bool ok, const char* what, int line)
{
    ++g_checks;
    if (!ok) {
        ++g_failures;
        std::printf("FAIL %s (line %d): %s\n", g_case, line, what);
    }
    return ok;
}

template <typename A, typename B> bool checkEqual(const A& a, const B& b, const char* what, int line)
{
    if (check(a == b, what, line))
        return true;
    std::printf("     got:      %s\n     expected: %s\n", std::string(a).c_str(), std::string(b).c_str());
    return false;
}

#define CHECK(x) check((x), #x, __LINE__)
#define CHECK_EQ(a, b) checkEqual((a), (b), #a " == " #b, __LINE__)

std::string narrow(const std::wstring& wide)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], size, nullptr,
                            nullptr);
    return out;
}

std::string ansi(const std::wstring& wide)
{
    return AnsiCodePage::fromWide(wide.data(), wide.size());
}

// The stand-in's way of writing a text, so that expected lines carry the exact bytes.
std::string quoted(const std::string& bytes)
{
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
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

std::string readFile(const std::wstring& path)
{
    std::string out;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return out;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        out.append(chunk, got);
    CloseHandle(file);
    return out;
}

bool writeFile(const std::wstring& path, const std::string& bytes)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// Points the library search at one folder of stand-in libraries and the call record at a fresh
// file; the switches start cleared.
class StandIn
{
public:
    explicit StandIn(const char* variant, const char* fail = "", const char* refuse = "")
        : m_log(g_folder + L"\\scratch\\calls.txt")
    {
        const std::wstring folder =
            g_folder + L"\\standin\\" + std::wstring(variant, variant + std::strlen(variant));
        SetDllDirectoryW(folder.c_str());
        DeleteFileW(m_log.c_str());
        SetEnvironmentVariableW(L"VELKOR_STANDIN_LOG", m_log.c_str());
        SetEnvironmentVariableA("VELKOR_STANDIN_FAIL", fail);
        SetEnvironmentVariableA("VELKOR_STANDIN_REFUSE", refuse);
        SetEnvironmentVariableA("VELKOR_STANDIN_VERSION", nullptr);
    }
    ~StandIn() { SetDllDirectoryW(nullptr); }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    std::vector<std::string> calls() const { return lines(readFile(m_log)); }
    // The calls that reached a library, without its loading and unloading and without the
    // stand-in's remarks on wrong arguments.
    std::vector<std::string> functionCalls() const
    {
        std::vector<std::string> out;
        for (const std::string& line : calls())
            if (line.find(" loaded from ") == std::string::npos &&
                line.find(" unloaded") == std::string::npos && line.find(" FAILED ") == std::string::npos &&
                line.find(" refused to load") == std::string::npos)
                out.push_back(line);
        return out;
    }

private:
    std::wstring m_log;
};

void checkLines(const std::vector<std::string>& got, const std::vector<std::string>& expected, int line)
{
    bool same = got.size() == expected.size();
    for (size_t i = 0; same && i < got.size(); ++i)
        same = got[i] == expected[i];
    if (check(same, "call record as expected", line))
        return;
    std::printf("     got:\n");
    for (const std::string& l : got)
        std::printf("       %s\n", l.c_str());
    std::printf("     expected:\n");
    for (const std::string& l : expected)
        std::printf("       %s\n", l.c_str());
}

// --- The HAMLOG library calls ---------------------------------------------------------------------

// Catches texts that reach the library other than as the code page's bytes (a Shift-JIS trail byte
// 0x5C taken for a path separator, a sign-extended byte, a cut text), arguments out of order, the
// variable of THW_append passed by value, and libraries loaded twice or never released.
void appendsOneRecordAsTheLibrarySeesIt()
{
    g_case = "one record, Japanese texts";
    const std::wstring folder = g_folder + L"\\scratch\\ハムログ ソフト";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring database = folder + L"\\Hamlog.hdb";
    CHECK(writeFile(database, ""));

    const std::string path = ansi(database);
    CHECK(path.find("\x83\x6E\x83\x80\x83\x8D\x83\x4F\x20\x83\x5C\x83\x74\x83\x67\\Hamlog.hdb") !=
          std::string::npos);

    const std::wstring texts[] = {
        L"JA1ABC", L"24/03/15", L"12:34", L"599",  L"599",  L"14.074",         L"FT8",
        L"JA",     L"東京都",   L"J  ",   L"PM95", L"日本", L"ソ連 表示 ｱｲ～", L"",
        L"0"};
    const int indexes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16};
    CHECK_EQ(ansi(texts[12]), std::string("\x83\x5C\x98\x41 \x95\x5C\x8E\xA6 \xB1\xB2\x81\x60"));
    CHECK_EQ(ansi(texts[8]), std::string("\x93\x8C\x8B\x9E\x93\x73"));

    StandIn standIn("full");
    std::vector<unsigned char> buffer(3928, 0);
    const std::string b = hex(buffer.data());
    int32_t variable = 0;
    {
        HamlogDll dll;
        CHECK(dll.loadMain());
        CHECK(dll.loadMain());
        CHECK(dll.isMainLoaded());
        int32_t version = 0;
        CHECK(dll.getThdllVersion(version));
        CHECK(version == 0x525);
        int32_t result = -1;
        CHECK(dll.hamlogOpen(0, buffer.data(), path.c_str(), 1, result));
        CHECK(result == 0);
        CHECK(dll.setThBuffer(buffer.data(), "", 0));
        for (size_t i = 0; i < 15; ++i)
            CHECK(dll.setThBuffer(buffer.data(), ansi(texts[i]).c_str(), indexes[i]));
        CHECK(dll.thwAppend(buffer.data(), 16, &variable));
        CHECK(dll.hamlogClose(buffer.data(), 1));
        CHECK(dll.failure() == Failure::None);
    }
    CHECK(variable == 1);

    std::string record;
    for (int i = 1; i <= 16; ++i) {
        std::string text;
        for (size_t k = 0; k < 15; ++k)
            if (indexes[k] == i)
                text = ansi(texts[k]);
        record += " " + std::to_string(i) + "=" + quoted(text);
    }
    std::vector<std::string> expected = {
        "Hamlog50.dll loaded from full",
        "Hamlog50.dll GetThdllVersion -> 525",
        "Hamlog50.dll HamlogOpen 0 " + b + " " + quoted(path) + " 1 -> 0",
        "Thdll2Vb.dll loaded from full",
        "Thdll2Vb.dll SetThBuffer " + b + " \"\" 0 -> 0",
    };
    for (size_t i = 0; i < 15; ++i)
        expected.push_back("Thdll2Vb.dll SetThBuffer " + b + " " + quoted(ansi(texts[i])) + " " +
                           std::to_string(indexes[i]) + " -> 0");
    expected.push_back("Hamlog50.dll THW_append " + b + " 16 0 -> 0 record" + record);
    expected.push_back("Hamlog50.dll HamlogClose " + b + " 1 open -> 0");
    expected.push_back("Thdll2Vb.dll unloaded");
    expected.push_back("Hamlog50.dll unloaded");
    checkLines(standIn.calls(), expected, __LINE__);
    // The database got the record through the buffer, with the bytes as they were handed over.
    CHECK_EQ(readFile(database), record.substr(1) + "\n");
}

enum Step { Version, Open, SetBuffer, Append, Close, StepCount };
const char* const kStepNames[] = {"GetThdllVersion", "HamlogOpen", "SetThBuffer", "THW_append",
                                  "HamlogClose"};

// Runs one step of an append and says whether the call could be made.
bool run(HamlogDll& dll, Step step, std::vector<unsigned char>& buffer, const std::string& path)
{
    int32_t value = 0;
    switch (step) {
    case Version:
        return dll.getThdllVersion(value);
    case Open:
        return dll.hamlogOpen(0, buffer.data(), path.c_str(), 1, value);
    case SetBuffer:
        return dll.setThBuffer(buffer.data(), "", 0);
    case Append:
        return dll.thwAppend(buffer.data(), 16, &value);
    case Close:
    case StepCount:
        break;
    }
    return dll.hamlogClose(buffer.data(), 1);
}

// Catches a missing library or function that crashes, goes unreported or names the wrong culprit,
// a failure that sticks to the calls after it (the failure path still closes the database), and a
// lookup that knows only plain names: 32-bit libraries may export the stdcall-decorated "_Name@bytes".
void reportsWhatIsMissing()
{
    const char* const libraryOf[] = {"Hamlog50.dll", "Hamlog50.dll", "Thdll2Vb.dll", "Hamlog50.dll",
                                     "Hamlog50.dll"};
    const unsigned mainSteps = 1u << Version | 1u << Open | 1u << Append | 1u << Close;
    struct Row
    {
        const char* name;
        const char* variant;
        const char* refuse;
        unsigned failingSteps;
        Failure failure;
    };
    const Row rows[] = {
        {"decorated names", "decorated", "", 0, Failure::None},
        {"no libraries", "empty", "", mainSteps | 1u << SetBuffer, Failure::LibraryMissing},
        {"Hamlog50.dll refuses to load", "full", "Hamlog50.dll", mainSteps, Failure::LibraryMissing},
        {"no Thdll2Vb.dll", "without-Thdll2Vb", "", 1u << SetBuffer, Failure::LibraryMissing},
        {"Thdll2Vb.dll refuses to load", "full", "Thdll2Vb.dll", 1u << SetBuffer, Failure::LibraryMissing},
        {"no GetThdllVersion", "without-GetThdllVersion", "", 1u << Version, Failure::FunctionMissing},
        {"no HamlogOpen", "without-HamlogOpen", "", 1u << Open, Failure::FunctionMissing},
        {"no SetThBuffer", "without-SetThBuffer", "", 1u << SetBuffer, Failure::FunctionMissing},
        {"no THW_append", "without-THW_append", "", 1u << Append, Failure::FunctionMissing},
        {"no HamlogClose", "without-HamlogClose", "", 1u << Close, Failure::FunctionMissing},
    };
    const std::wstring database = g_folder + L"\\scratch\\missing.hdb";
    writeFile(database, "");
    for (const Row& row : rows) {
        g_case = row.name;
        StandIn standIn(row.variant, "", row.refuse);
        std::vector<unsigned char> buffer(3928, 0);
        HamlogDll dll;
        std::string made;
        for (int s = Version; s < StepCount; ++s) {
            const Step step = static_cast<Step>(s);
            const bool ok = run(dll, step, buffer, ansi(database));
            CHECK(ok == !(row.failingSteps & 1u << s));
            if (ok) {
                made += std::string(made.empty() ? "" : " ") + kStepNames[s];
                CHECK(dll.failure() == Failure::None);
            } else {
                CHECK(dll.failure() == row.failure);
                CHECK_EQ(std::string(dll.failedLibrary()), std::string(libraryOf[s]));
                CHECK_EQ(std::string(dll.failedFunction()),
                         std::string(row.failure == Failure::FunctionMissing ? kStepNames[s] : ""));
            }
        }
        CHECK(dll.isMainLoaded() ==
              !(row.failingSteps & 1u << Version && row.failure == Failure::LibraryMissing));
        // Exactly the calls that were made reached the libraries.
        std::string reached;
        for (const std::string& line : standIn.functionCalls()) {
            const size_t start = line.find(' ') + 1;
            reached +=
                std::string(reached.empty() ? "" : " ") + line.substr(start, line.find(' ', start) - start);
        }
        CHECK_EQ(reached, made);
    }
}

// Catches results of the library that get lost on the way back (a version of 0, a refused open)
// and failing calls that the wrapper takes for a missing library.
void passesResultsOfFailingCalls()
{
    g_case = "failing calls";
    const std::wstring database = g_folder + L"\\scratch\\failing.hdb";
    CHECK(writeFile(database, ""));
    const std::string path = ansi(database);
    {
        StandIn standIn("full", "GetThdllVersion,HamlogOpen");
        std::vector<unsigned char> buffer(3928, 0);
        HamlogDll dll;
        int32_t version = -1;
        int32_t result = 0;
        CHECK(dll.getThdllVersion(version));
        CHECK(version == 0);
        CHECK(dll.hamlogOpen(0, buffer.data(), path.c_str(), 1, result));
        CHECK(result == 1);
        // The failure path closes what is not open: no harm done.
        CHECK(dll.hamlogClose(buffer.data(), 1));
        const std::vector<std::string> calls = standIn.functionCalls();
        CHECK(calls.size() == 3 &&
              calls[2] == "Hamlog50.dll HamlogClose " + hex(buffer.data()) + " 1 not-open -> 0");
    }
    {
        g_case = "open of a missing database";
        StandIn standIn("full");
        SetEnvironmentVariableA("VELKOR_STANDIN_VERSION", "5A0");
        std::vector<unsigned char> buffer(3928, 0);
        HamlogDll dll;
        int32_t version = 0;
        int32_t result = 0;
        CHECK(dll.getThdllVersion(version));
        CHECK(version == 0x5A0);
        CHECK(
            dll.hamlogOpen(0, buffer.data(), ansi(g_folder + L"\\scratch\\nowhere.hdb").c_str(), 1, result));
        CHECK(result == 2);
    }
    {
        g_case = "refused buffer, append and close";
        StandIn standIn("full", "SetThBuffer,THW_append,HamlogClose");
        std::vector<unsigned char> buffer(3928, 0);
        HamlogDll dll;
        int32_t result = -1;
        int32_t variable = 0;
        CHECK(dll.hamlogOpen(0, buffer.data(), path.c_str(), 1, result));
        CHECK(result == 0);
        // Their results are not the program's to read: the calls were made.
        CHECK(dll.setThBuffer(buffer.data(), "JA1ABC", 1));
        CHECK(dll.thwAppend(buffer.data(), 16, &variable));
        CHECK(dll.hamlogClose(buffer.data(), 1));
        CHECK(dll.failure() == Failure::None);
        CHECK(variable == 0);
        const std::vector<std::string> calls = standIn.functionCalls();
        CHECK(calls.size() == 4 && calls[1].find("-> 1") != std::string::npos &&
              calls[2].find("-> 1") != std::string::npos && calls[3].find("-> 1") != std::string::npos);
        CHECK(readFile(database).empty());
    }
}

// Catches a stand-in that lets wrong arguments pass unremarked, which would leave the end-to-end
// run blind to them: each one gets its failure line, and a right call gets none.
void standInNamesWrongArguments()
{
    g_case = "wrong arguments named by the stand-in";
    const std::wstring database = g_folder + L"\\scratch\\wrong.hdb";
    CHECK(writeFile(database, ""));
    const std::string path = ansi(database);
    StandIn standIn("full");
    std::vector<unsigned char> buffer(3928, 0);
    std::vector<unsigned char> other(3928, 0);
    HamlogDll dll;
    int32_t result = -1;
    int32_t variable = 5;
    CHECK(dll.hamlogOpen(1, buffer.data(), "\x83", 0, result));
    CHECK(dll.hamlogOpen(0, buffer.data(), path.c_str(), 1, result));
    CHECK(dll.setThBuffer(buffer.data(), "JA1ABC", 15));
    CHECK(dll.setThBuffer(buffer.data(), "JA1ABC", 0));
    CHECK(dll.setThBuffer(other.data(), "JA1ABC", 1));
    CHECK(dll.thwAppend(buffer.data(), 15, &variable));
    CHECK(dll.hamlogClose(buffer.data(), 0));
    CHECK(dll.hamlogClose(buffer.data(), 1));
    std::vector<std::string> failures;
    for (const std::string& line : standIn.calls())
        if (line.find(" FAILED ") != std::string::npos)
            failures.push_back(line);
    const std::vector<std::string> expected = {
        "Hamlog50.dll FAILED HamlogOpen: mode 1, not 0",
        "Hamlog50.dll FAILED HamlogOpen: the path is not Shift-JIS text",
        "Hamlog50.dll FAILED HamlogOpen: option 0, not 1",
        "Thdll2Vb.dll FAILED SetThBuffer: index 15",
        "Thdll2Vb.dll FAILED SetThBuffer: index 0 with a text: it only clears the record",
        "Thdll2Vb.dll FAILED SetThBuffer: the buffer was not opened by HamlogOpen",
        "Hamlog50.dll FAILED THW_append: field count 15, not 16",
        "Hamlog50.dll FAILED THW_append: the variable held 5, not 0",
        "Hamlog50.dll FAILED HamlogClose: option 0, not 1",
    };
    checkLines(failures, expected, __LINE__);
    // The append wrote over the whole buffer, as the real library does.
    CHECK(buffer[3927] == 0xA5);
}

// --- The ANSI code page ---------------------------------------------------------------------------

// Catches a conversion other than the system's Shift-JIS, and look-alike replacements: "¥" must not
// become the path separator 0x5C, nor "é" a plain "e".
void convertsThroughTheAnsiCodePage()
{
    g_case = "ANSI code page";
    if (!CHECK(AnsiCodePage::current() == 932)) {
        std::printf(
            "     the ANSI code page is %u; run with LC_ALL=ja_JP.UTF-8 (scripts/test-windows.sh does)\n",
            AnsiCodePage::current());
        return;
    }
    struct Row
    {
        const wchar_t* text;
        const char* bytes;
    };
    const Row rows[] = {
        {L"JA1ABC をTURBO HAMLOG データベースに追加しました",
         "JA1ABC \x82\xF0TURBO HAMLOG "
         "\x83\x66\x81\x5B\x83\x5E\x83\x78\x81\x5B\x83\x58\x82\xC9\x92\xC7\x89\xC1\x82\xB5"
         "\x82\xDC\x82\xB5\x82\xBD"},
        {L"ｼｽﾃﾑ", "\xBC\xBD\xC3\xD1"},
        {L"　表", "\x81\x40\x95\x5C"},
        {L"～－", "\x81\x60\x81\x7C"},
        {L"¥é", "??"},
        {L"", ""},
    };
    for (const Row& row : rows) {
        const std::wstring text = row.text;
        const std::string bytes = ansi(text);
        CHECK_EQ(bytes, std::string(row.bytes));
        CHECK(AnsiCodePage::toWide(bytes.data(), bytes.size()) ==
              (bytes.find('?') == std::string::npos ? text : L"??"));
    }
    // A character outside the code page is one "?", the rest in place; so is one that takes two
    // UTF-16 units.
    CHECK_EQ(ansi(L"QSO \U0001F600 with \u0250 and \u00E9 ok"), std::string("QSO ? with ? and ? ok"));
    CHECK_EQ(ansi(L"\U0001F600\U0001F600"), std::string("??"));
    CHECK_EQ(ansi(std::wstring{L'a', wchar_t(0xD800), L'b'}), std::string("a?b"));
    // A lead byte cut off at the end does not take the text before it along.
    const std::wstring cut = AnsiCodePage::toWide("AB\x83", 3);
    CHECK(cut.size() == 3 && cut.compare(0, 2, L"AB") == 0);
}

// --- Durable appends ------------------------------------------------------------------------------

// Catches a header written twice or never, lines cut or reordered, paths in Japanese that are not
// found, and a failed append that changes or creates the file.
void appendsDurably()
{
    g_case = "durable appends";
    const std::wstring folder = g_folder + L"\\scratch\\Log ログ";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring log = folder + L"\\Velkor.adi";
    const std::string header = "Velkor ADIF Export<eoh>\r\n";
    const std::string first = "<call:6>JA1ABC<eor>\r\n";
    const std::string second = "<call:6>JA2XYZ<comment:4>\x83\x5C\x98\x41<eor>\r\n";
    DeleteFileW(log.c_str());
    CHECK(DurableFile::append(narrow(log), header, first));
    CHECK(DurableFile::append(narrow(log), header, second));
    CHECK_EQ(readFile(log), header + first + second);

    // A file that exists but is empty gets its header.
    const std::wstring empty = folder + L"\\empty.adi";
    CHECK(writeFile(empty, ""));
    CHECK(DurableFile::append(narrow(empty), header, first));
    CHECK_EQ(readFile(empty), header + first);

    // A large line goes in whole.
    const std::string large(3u << 20, 'x');
    CHECK(DurableFile::append(narrow(log), header, large + "\r\n"));
    CHECK(readFile(log) == header + first + second + large + "\r\n");

    // Where the append cannot be made, nothing changes and nothing is left behind.
    const std::wstring missingFolder = g_folder + L"\\scratch\\no such folder\\Velkor.adi";
    CHECK(!DurableFile::append(narrow(missingFolder), header, first));
    CHECK(!exists(missingFolder));
    CHECK(!DurableFile::append(narrow(folder), header, first));
    CHECK(!DurableFile::append("", header, first));

    const std::wstring readOnly = folder + L"\\read-only.adi";
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    CHECK(writeFile(readOnly, header + first));
    CHECK(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    // Wine run by root writes read-only files all the same; there the case proves nothing.
    HANDLE probe = CreateFileW(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        CHECK(!DurableFile::append(narrow(readOnly), header, second));
        CHECK_EQ(readFile(readOnly), header + first);
    } else {
        CloseHandle(probe);
        std::printf("note: read-only files are writable here (root), that case is skipped\n");
    }
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Another program holding the file without sharing it for writing.
    HANDLE held = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(held != INVALID_HANDLE_VALUE);
    CHECK(!DurableFile::append(narrow(log), header, first));
    CloseHandle(held);
    CHECK(readFile(log) == header + first + second + large + "\r\n");
}

// --- The process watch ----------------------------------------------------------------------------

const wchar_t* const kHoldEvent = L"VelkorWindowsTestPartnerHold";

// Copies the stand-in partner into folder under the given name and returns its path.
std::wstring placePartner(const std::wstring& folder, const std::wstring& name)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + L"\\" + name;
    CopyFileW((g_folder + L"\\partner_standin.exe").c_str(), path.c_str(), FALSE);
    return path;
}

// What the next partner started does: waits until hold is set (when given), runs for sleepMs
// more, then ends with exitCode; it writes its report to the file report names (when given).
void tellPartner(HANDLE hold, unsigned sleepMs, unsigned long exitCode, const std::wstring& report)
{
    if (hold)
        ResetEvent(hold);
    SetEnvironmentVariableW(L"VELKOR_PARTNER_HOLD", hold ? kHoldEvent : nullptr);
    SetEnvironmentVariableW(L"VELKOR_PARTNER_SLEEP_MS", std::to_wstring(sleepMs).c_str());
    SetEnvironmentVariableW(L"VELKOR_PARTNER_EXIT", std::to_wstring(exitCode).c_str());
    SetEnvironmentVariableW(L"VELKOR_PARTNER_REPORT", report.empty() ? nullptr : report.c_str());
}

// Polls the watch as the main window's timer does, more often; false when it still runs after 20 s.
bool waitForEnd(PartnerProcess& process)
{
    for (int i = 0; i < 1000; ++i) {
        if (!process.isRunning())
            return true;
        Sleep(20);
    }
    return false;
}

// True once no process has the id any more (the system lets the process object go a moment after
// its last handle is closed); false when it still does after 5 s.
bool released(DWORD id)
{
    for (int i = 0; i < 250; ++i) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
        if (!process)
            return true;
        CloseHandle(process);
        Sleep(20);
    }
    return false;
}

// Catches a path with blanks split into a program and arguments, a Japanese folder name garbled on
// the way to the system, a watch that takes an exit code of 259 (STILL_ACTIVE) for a running
// program, an exit code or process id that is not the partner's, a watch that comes back to life,
// and handles left open (the thread's) or closed too early (the process's: the id could then go
// to another program while it is still watched).
void startsAndWatchesAPartner()
{
    struct Row
    {
        const char* name;
        const wchar_t* folder;
        const wchar_t* file;
        bool held; // runs until the test lets it end
        unsigned sleepMs;
        unsigned long exitCode;
        bool forwardSlashes;
    };
    const Row rows[] = {
        {"partner in a Japanese folder with a blank", L"パートナー ソフト", L"jtdx.exe", true, 0, 7, false},
        {"partner ending with 259", L"partner", L"wsjt x.exe", true, 0, 259, false},
        {"partner ending at once with 0", L"パートナー ソフト\\bin", L"mshv.exe", false, 0, 0, false},
        {"partner ending with a crash's code", L"partner", L"freedv.exe", false, 200, 0xC0000005, false},
        // A path written by hand into the settings file may carry forward slashes.
        {"partner path with forward slashes", L"パートナー ソフト", L"jtdx.exe", false, 0, 1, true},
    };
    const HANDLE hold = CreateEventW(nullptr, TRUE, FALSE, kHoldEvent);
    // Where the path's blank is taken for the end of the program's name, this one starts instead,
    // given "x.exe" as its argument.
    placePartner(g_folder + L"\\scratch\\partner", L"wsjt.exe");
    wchar_t directory[MAX_PATH * 4];
    const std::wstring current(directory, GetCurrentDirectoryW(MAX_PATH * 4, directory));
    const std::unique_ptr<PartnerProcessStarter> starter = CreateSystemProcessStarter();
    const std::wstring report = g_folder + L"\\scratch\\partner report.txt";
    for (const Row& row : rows) {
        g_case = row.name;
        const std::wstring path = placePartner(g_folder + L"\\scratch\\" + row.folder, row.file);
        DeleteFileW(report.c_str());
        tellPartner(row.held ? hold : nullptr, row.sleepMs, row.exitCode, report);
        std::string error = "left over";
        std::string utf8 = narrow(path);
        if (row.forwardSlashes)
            std::replace(utf8.begin(), utf8.end(), '\\', '/');
        std::unique_ptr<PartnerProcess> process = starter->start(utf8, error);
        if (!CHECK(process != nullptr)) {
            std::printf("     reason: %s\n", error.c_str());
            continue;
        }
        if (row.held) {
            CHECK(process->isRunning());
            Sleep(50);
            CHECK(process->isRunning());
            CHECK(process->exitCode() == -1);
            SetEvent(hold);
        }
        const long long id = process->processId();
        CHECK(id > 0 && id != static_cast<long long>(GetCurrentProcessId()));

        CHECK(waitForEnd(*process));
        CHECK(process->exitCode() == static_cast<long long>(row.exitCode));
        CHECK(!process->isRunning());
        CHECK(!process->isRunning());
        CHECK(process->exitCode() == static_cast<long long>(row.exitCode));

        // The partner itself says which process it was and how it was started: no arguments, this
        // program's current directory.
        CHECK_EQ(readFile(report), std::to_string(id) + " 0 " + narrow(current) + "\n");

        // The watch still holds the ended process, so its id names it and no other program.
        HANDLE ended = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
        if (CHECK(ended != nullptr)) {
            DWORD code = 0;
            CHECK(GetExitCodeProcess(ended, &code) && code == row.exitCode);
            CloseHandle(ended);
        }
        // Once the watch is gone, nothing here holds it any more: no handle was left open.
        process.reset();
        CHECK(released(static_cast<DWORD>(id)));
    }
    tellPartner(nullptr, 0, 0, L"");
    CloseHandle(hold);
}

// Catches a refused start that returns a process or no reason, and a reason that is not one line
// of UTF-8 text or still holds the system's "%1" in place of the file's name.
void refusesWhatCannotStart()
{
    const std::wstring folder = g_folder + L"\\scratch\\起動できないもの";
    CreateDirectoryW(folder.c_str(), nullptr);
    CHECK(writeFile(folder + L"\\readme.txt", "JTDX\r\n"));
    CHECK(writeFile(folder + L"\\notes.exe", "not a program\r\n"));
    struct Row
    {
        const char* name;
        std::wstring path;
        const char* named; // the file name the reason gives, if any
    };
    const Row rows[] = {
        {"missing program file", folder + L"\\jtdx.exe", nullptr},
        {"missing folder", folder + L"\\no such folder\\jtdx.exe", nullptr},
        {"a folder", folder, nullptr},
        {"a text file", folder + L"\\readme.txt", "readme.txt"},
        {"a text file named .exe", folder + L"\\notes.exe", "notes.exe"},
        {"an empty path", L"", nullptr},
    };
    const std::unique_ptr<PartnerProcessStarter> starter = CreateSystemProcessStarter();
    for (const Row& row : rows) {
        g_case = row.name;
        std::string error;
        std::unique_ptr<PartnerProcess> process = starter->start(narrow(row.path), error);
        CHECK(process == nullptr);
        CHECK(!error.empty() && error.find_first_of("\r\n") == std::string::npos);
        // The system's texts for a file that is no program name it as "%1"; the reason names it.
        CHECK(error.find("%1") == std::string::npos);
        if (row.named)
            CHECK(error.find(row.named) != std::string::npos);
        CHECK(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, error.data(), static_cast<int>(error.size()),
                                  nullptr, 0) > 0);
    }
}

// Catches a watch that ends the partner, or takes it along, when it stops watching: the partner
// runs on after the watch (and this program) are gone.
void leavesThePartnerRunning()
{
    g_case = "watch destroyed while the partner runs";
    const std::wstring path = placePartner(g_folder + L"\\scratch\\パートナー ソフト", L"jtdx.exe");
    const HANDLE hold = CreateEventW(nullptr, TRUE, FALSE, kHoldEvent);
    tellPartner(hold, 0, 3, L"");
    std::string error;
    std::unique_ptr<PartnerProcess> process = CreateSystemProcessStarter()->start(narrow(path), error);
    tellPartner(nullptr, 0, 0, L"");
    if (CHECK(process != nullptr)) {
        const DWORD id = static_cast<DWORD>(process->processId());
        CHECK(process->isRunning());
        process.reset();

        HANDLE partner = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id);
        if (CHECK(partner != nullptr)) {
            Sleep(100);
            DWORD code = 0;
            CHECK(GetExitCodeProcess(partner, &code) && code == STILL_ACTIVE);
            // Let go, it ends in its own time, as it chose.
            SetEvent(hold);
            CHECK(WaitForSingleObject(partner, 20000) == WAIT_OBJECT_0);
            CHECK(GetExitCodeProcess(partner, &code) && code == 3);
            CloseHandle(partner);
        }
    }
    SetEvent(hold);
    CloseHandle(hold);
}

} // namespace

int main()
{
    wchar_t self[MAX_PATH];
    const DWORD size = GetModuleFileNameW(nullptr, self, MAX_PATH);
    g_folder.assign(self, size);
    g_folder.erase(g_folder.rfind(L'\\'));
    CreateDirectoryW((g_folder + L"\\scratch").c_str(), nullptr);

    appendsOneRecordAsTheLibrarySeesIt();
    reportsWhatIsMissing();
    passesResultsOfFailingCalls();
    standInNamesWrongArguments();
    convertsThroughTheAnsiCodePage();
    appendsDurably();
    startsAndWatchesAPartner();
    refusesWhatCannotStart();
    leavesThePartnerRunning();

    std::printf("%d checks, %d failed\n", g_checks, g_failures);
    return g_failures == 0 ? 0 : 1;
}
