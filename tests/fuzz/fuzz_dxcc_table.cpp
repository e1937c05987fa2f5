// Loads a TH_DX.dat of arbitrary bytes and looks prefixes up in it. The indexed lookup must answer
// exactly as a scan of the stored lines from the top does, for the prefix of every line and for
// pieces of the input.

#include "fuzz_support.h"

#include "common/text_lines.h"
#include "reference/dxcc_table.h"

namespace {

DxccColumns scanLookup(const DxccTable& table, const QString& prefix)
{
    const QString wanted = TextLines::trimSpaces(prefix);
    for (const QString& line : table.lines()) {
        if (TextLines::trimSpaces(line.left(5)) == wanted)
            return DxccTable::columnsOf(line);
    }
    return DxccColumns{};
}

void checkLookup(const DxccTable& table, const QString& prefix)
{
    const DxccColumns indexed = table.FindDxccLine(prefix);
    const DxccColumns scanned = scanLookup(table, prefix);
    FUZZ_CHECK(indexed.columnA == scanned.columnA && indexed.columnB == scanned.columnB,
               QLatin1Char('[') + prefix + QLatin1String("]: indexed ") + indexed.columnA + QLatin1Char('|') +
                   indexed.columnB + QLatin1String(", scan ") + scanned.columnA + QLatin1Char('|') +
                   scanned.columnB);
    FUZZ_CHECK(indexed.columnA.size() <= 6, indexed.columnA);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = Fuzz::bytesOf(data, size);
    DxccTable table;
    SilentPrompts prompts;
    table.LoadDxccFile(Fuzz::scratchFile(QStringLiteral("TH_DX.dat"), bytes), prompts);

    for (const QString& line : table.lines())
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')), line);

    const int most = 64;
    for (int i = 0; i < table.lines().size() && i < most; ++i) {
        const QString& line = table.lines().at(i);
        checkLookup(table, line.left(5));
        checkLookup(table, line.left(6));
        checkLookup(table, line.left(3));
        checkLookup(table, line);
    }
    for (const char* prefix : {"", " ", "JA", "?????", "VK9X "})
        checkLookup(table, QString::fromLatin1(prefix));
    return 0;
}
