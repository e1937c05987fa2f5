// Loads a Cty.dat of arbitrary bytes and looks call signs up in it. The indexed lookup must
// answer exactly as a plain scan of the stored entries in file order does, for call signs made
// from the stored keys (whole, lengthened, shortened, with portable parts) and from the input.

#include "fuzz_support.h"

#include "common/text_lines.h"
#include "reference/country_table.h"

#include <QStringList>

namespace {

// The lookup as a scan from the top of each list, following the rules word by word.
QString scanLookup(const CountryTable& table, const QString& callSign)
{
    if (callSign.isEmpty())
        return CountryTable::notFound();
    for (const CountryEntry& e : table.exactCallEntries()) {
        if (e.Key == callSign)
            return e.DxccPrefix;
    }
    QString call = callSign;
    const int slash = int(callSign.indexOf(QLatin1Char('/')));
    if (slash >= 0) {
        const QString a = callSign.left(slash);
        const QString b = callSign.mid(slash + 1);
        const int lengthA = int(TextLines::trimSpaces(a).size());
        const int lengthB = int(TextLines::trimSpaces(b).size());
        if (lengthA > lengthB && lengthB > 1 && b != QLatin1String("QRP"))
            call = b + QLatin1Char('/') + a;
    }
    for (int n = int(call.size()) - 1; n >= 1; --n) {
        const QString candidate = call.left(n);
        for (const CountryEntry& e : table.prefixEntries()) {
            if (e.Key == candidate)
                return e.DxccPrefix;
        }
    }
    return CountryTable::notFound();
}

void checkEntries(const QVector<CountryEntry>& entries)
{
    for (const CountryEntry& e : entries) {
        // Only keys a call sign can start with, cut before the first override marker.
        FUZZ_CHECK(!e.Key.isEmpty() && CountryTable::isTableKey(e.Key.at(0)), e.Key);
        for (QChar c : {QLatin1Char('('), QLatin1Char('['), QLatin1Char('<'), QLatin1Char('{'),
                        QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\r'), QLatin1Char('\n')})
            FUZZ_CHECK(!e.Key.contains(c), e.Key);
        FUZZ_CHECK(!e.DxccPrefix.startsWith(QLatin1Char('*')), e.DxccPrefix);
    }
}

void checkLookup(const CountryTable& table, const QString& call)
{
    const QString indexed = table.LookupDxccPrefix(call);
    const QString scanned = scanLookup(table, call);
    FUZZ_CHECK(indexed == scanned,
               call + QLatin1String(": indexed ") + indexed + QLatin1String(", scan ") + scanned);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = Fuzz::bytesOf(data, size);
    CountryTable table;
    SilentPrompts prompts;
    table.LoadCountryFile(Fuzz::scratchFile(QStringLiteral("Cty.dat"), bytes), prompts);
    checkEntries(table.prefixEntries());
    checkEntries(table.exactCallEntries());

    QStringList calls = {QString(),
                         QStringLiteral("JA1XYZ"),
                         QStringLiteral("JA1XYZ/VK2"),
                         QStringLiteral("VK2/JA1XYZ"),
                         QStringLiteral("JA1XYZ/QRP"),
                         QStringLiteral("JA1XYZ/MM"),
                         QStringLiteral("K1ABC/ P"),
                         QStringLiteral("/"),
                         QStringLiteral("A/BC")};
    const int keys = 24;
    for (const auto* entries : {&table.prefixEntries(), &table.exactCallEntries()}) {
        for (int i = 0; i < entries->size() && i < keys; ++i) {
            const QString& key = entries->at(i).Key;
            calls << key << key + QLatin1String("1AB") << key.left(key.size() - 1)
                  << QLatin1String("JA1XYZ/") + key << key + QLatin1String("/P")
                  << key + QLatin1String("/JA1XYZ");
        }
    }
    // Pieces of the input itself, whatever they hold.
    const QStringList pieces = TextLines::decode(bytes).split(QLatin1Char(','));
    for (int i = 0; i < pieces.size() && i < keys; ++i)
        calls << pieces.at(i) << pieces.at(i).trimmed();

    for (const QString& call : calls)
        checkLookup(table, call);
    return 0;
}
