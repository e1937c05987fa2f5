// Country and DXCC table lookups: load time of both files, and lookups per second of the indexed
// tables against a plain linear scan of the same entries in file order (the baseline), measured in
// the same run on the same call signs. Every answer of the two is compared.
//
//   bench_reference_lookup [--calls N] [COUNTRY_FILE...]
//
// Without a country file the benchmark runs on a generated one (about 1 MB); each file named on
// the command line (for example the cty.dat of a distribution's ham radio files) is run as well.
#include "bench_result.h"
#include "common/program_folder.h"
#include "common/text_lines.h"
#include "platform/code_page.h"
#include "reference/country_table.h"
#include "reference/dxcc_table.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

namespace {

using Rng = std::mt19937;

const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const char kKeyChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

char pick(Rng& rng, const char* set)
{
    const size_t n = std::strlen(set);
    return set[std::uniform_int_distribution<size_t>(0, n - 1)(rng)];
}

int between(Rng& rng, int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

QByteArray token(Rng& rng, int length)
{
    QByteArray t;
    t += pick(rng, kKeyChars);
    for (int i = 1; i < length; ++i)
        t += pick(rng, i == 1 ? kLetters : kKeyChars);
    return t;
}

// Per-entry overrides as the format allows them; the loader must cut them off the key.
QByteArray markers(Rng& rng)
{
    switch (between(rng, 0, 9)) {
    case 0:
        return "(" + QByteArray::number(between(rng, 1, 40)) + ")";
    case 1:
        return "[" + QByteArray::number(between(rng, 1, 90)) + "]";
    case 2:
        return "(" + QByteArray::number(between(rng, 1, 40)) + ")[" +
               QByteArray::number(between(rng, 1, 90)) + "]";
    case 3:
        return "{AS}<35.0/-139.0>~-9.0~";
    default:
        return QByteArray();
    }
}

QByteArray headerLine(const QByteArray& name, const QByteArray& prefix)
{
    QByteArray line = (name + ':').leftJustified(26, ' ');
    line += "  25:  45:  AS:   36.40:  -138.38:    -9.0:";
    return line + "  " + prefix + ":\r\n";
}

void appendEntries(QByteArray& file, const QList<QByteArray>& entries)
{
    QByteArray line = "    ";
    for (int i = 0; i < entries.size(); ++i) {
        line += entries.at(i);
        line += (i + 1 == entries.size()) ? ';' : ',';
        if (line.size() > 70 || i + 1 == entries.size()) {
            file += line + "\r\n";
            line = "    ";
        }
    }
}

// About 1 MB: 420 entities (20 of them off the DXCC list), 30 prefixes and 220 exact calls each.
QByteArray generateCountryFile(Rng& rng)
{
    QByteArray file;
    QSet<QByteArray> primaries;
    for (int e = 0; e < 420; ++e) {
        QByteArray primary;
        do
            primary = token(rng, between(rng, 1, 3));
        while (primaries.contains(primary));
        primaries.insert(primary);
        if (e % 21 == 20)
            primary.prepend('*');
        file += headerLine("Entity " + QByteArray::number(e), primary);

        QList<QByteArray> entries;
        for (int p = 0; p < 30; ++p)
            entries << token(rng, between(rng, 2, 4)) + markers(rng);
        for (int c = 0; c < 220; ++c) {
            QByteArray call = "=" + token(rng, between(rng, 2, 3)) + char('0' + between(rng, 0, 9));
            for (int n = between(rng, 1, 3); n > 0; --n)
                call += pick(rng, kLetters);
            if (between(rng, 0, 9) == 0)
                call += between(rng, 0, 1) ? "/P" : "/LH";
            entries << call + markers(rng);
        }
        appendEntries(file, entries);
    }
    return file;
}

// One line per primary prefix, a few of them twice (the first must win), and lines no prefix
// reaches, in the 8-bit code page with Japanese column B.
QByteArray generateDxccFile(const CountryTable& countries, Rng& rng)
{
    QStringList primaries;
    QSet<QString> seen;
    for (const QVector<CountryEntry>* list : {&countries.prefixEntries(), &countries.exactCallEntries()}) {
        for (const CountryEntry& e : *list) {
            if (!seen.contains(e.DxccPrefix)) {
                seen.insert(e.DxccPrefix);
                primaries << e.DxccPrefix;
            }
        }
    }
    std::shuffle(primaries.begin(), primaries.end(), rng);
    QByteArray file;
    int n = 0;
    for (const QString& p : primaries) {
        const QString line = p.leftJustified(5, QLatin1Char(' ')) + QLatin1Char(' ') +
                             p.leftJustified(6, QLatin1Char(' ')) + QStringLiteral("国・地域 %1 番").arg(++n);
        file += CodePage::fromUnicode(line) + "\r\n";
        if (n % 10 == 0)
            file += CodePage::fromUnicode(p + QStringLiteral("    XX    重複行")) + "\r\n";
        if (n % 4 == 0)
            file += "#" + QByteArray::number(n).rightJustified(4, '0') + " ZZ    unused line\r\n";
    }
    return file;
}

// The baselines: the same entries, split by first character into 36 lists kept in file order,
// each searched from its start for every candidate. The plain scan follows the rules word by word
// (it cuts each candidate and each line's first five characters as a new text); the tuned scan
// compares in place and allocates nothing.
class LinearTables
{
public:
    LinearTables(const CountryTable& countries, const DxccTable& dxcc, bool tuned)
        : m_tuned(tuned), m_lines(dxcc.lines())
    {
        for (const CountryEntry& e : countries.prefixEntries())
            m_prefix[slot(e.Key.at(0))].push_back(e);
        for (const CountryEntry& e : countries.exactCallEntries())
            m_exact[slot(e.Key.at(0))].push_back(e);
    }

    QString lookupDxccPrefix(const QString& callSign) const
    {
        if (callSign.isEmpty())
            return CountryTable::notFound();
        const int first = slot(callSign.at(0));
        if (first >= 0) {
            for (const CountryEntry& e : m_exact[first]) {
                if (e.Key == callSign)
                    return e.DxccPrefix;
            }
        }
        QString call = callSign;
        const int slash = callSign.indexOf(QLatin1Char('/'));
        if (slash >= 0) {
            const QString a = callSign.left(slash);
            const QString b = callSign.mid(slash + 1);
            const int lengthA = TextLines::trimSpaces(a).size();
            const int lengthB = TextLines::trimSpaces(b).size();
            if (lengthA > lengthB && lengthB > 1 && b != QLatin1String("QRP"))
                call = b + QLatin1Char('/') + a;
        }
        const int list = slot(call.at(0));
        if (list < 0)
            return CountryTable::notFound();
        for (int n = call.size() - 1; n >= 1; --n) {
            if (!m_tuned) {
                const QString candidate = call.left(n);
                for (const CountryEntry& e : m_prefix[list]) {
                    if (e.Key == candidate)
                        return e.DxccPrefix;
                }
                continue;
            }
            for (const CountryEntry& e : m_prefix[list]) {
                if (e.Key.size() == n &&
                    std::memcmp(e.Key.constData(), call.constData(), n * sizeof(QChar)) == 0)
                    return e.DxccPrefix;
            }
        }
        return CountryTable::notFound();
    }

    DxccColumns findDxccLine(const QString& prefix) const
    {
        const QString wanted = TextLines::trimSpaces(prefix);
        if (!m_tuned) {
            for (const QString& line : m_lines) {
                if (TextLines::trimSpaces(line.left(5)) == wanted)
                    return DxccTable::columnsOf(line);
            }
            return DxccColumns{};
        }
        for (const QString& line : m_lines) {
            int begin = 0;
            int end = std::min<int>(5, line.size());
            while (begin < end && line.at(begin) == QLatin1Char(' '))
                ++begin;
            while (end > begin && line.at(end - 1) == QLatin1Char(' '))
                --end;
            if (end - begin == wanted.size() &&
                std::memcmp(line.constData() + begin, wanted.constData(), wanted.size() * sizeof(QChar)) == 0)
                return DxccTable::columnsOf(line);
        }
        return DxccColumns{};
    }

private:
    static int slot(QChar c)
    {
        const ushort u = c.unicode();
        if (u >= 'A' && u <= 'Z')
            return u - 'A';
        if (u >= '0' && u <= '9')
            return 26 + (u - '0');
        return -1;
    }

    bool m_tuned;
    std::vector<CountryEntry> m_prefix[36];
    std::vector<CountryEntry> m_exact[36];
    QStringList m_lines;
};

// A quarter each: exact calls, portable forms, calls under a prefix, and calls nothing matches.
QStringList makeCalls(const CountryTable& countries, int count, Rng& rng)
{
    const QVector<CountryEntry>& prefixes = countries.prefixEntries();
    const QVector<CountryEntry>& exact = countries.exactCallEntries();
    auto anyPrefix = [&]() { return prefixes.at(between(rng, 0, prefixes.size() - 1)).Key; };
    auto homeCall = [&]() {
        QString call = anyPrefix();
        if (!call.at(call.size() - 1).isDigit())
            call += QLatin1Char('0' + between(rng, 0, 9));
        for (int n = between(rng, 1, 3); n > 0; --n)
            call += QLatin1Char(pick(rng, kLetters));
        return call;
    };
    static const char* const suffixes[] = {"P", "M", "QRP", "MM", "AM", "LH"};

    QStringList calls;
    calls.reserve(count);
    for (int i = 0; i < count; ++i) {
        switch (i % 4) {
        case 0:
            calls << exact.at(between(rng, 0, exact.size() - 1)).Key;
            break;
        case 1: {
            const int form = between(rng, 0, 3);
            if (form == 0)
                calls << homeCall() + QLatin1Char('/') + QLatin1String(suffixes[between(rng, 0, 5)]);
            else if (form == 1)
                calls << anyPrefix() + QLatin1Char('/') + homeCall();
            else
                calls << homeCall() + QLatin1Char('/') + anyPrefix().left(3);
            break;
        }
        case 2:
            calls << homeCall();
            break;
        default: {
            const int form = between(rng, 0, 2);
            if (form == 0)
                calls << homeCall().toLower();
            else if (form == 1)
                calls << QLatin1Char('/') + homeCall();
            else
                calls << QStringLiteral("Q") + QString::number(between(rng, 0, 9)) + QStringLiteral("ZZZ");
            break;
        }
        }
    }
    return calls;
}

int found(const CountryTable& countries, const QStringList& calls)
{
    int n = 0;
    for (const QString& call : calls)
        n += countries.LookupDxccPrefix(call) != CountryTable::notFound();
    return n;
}

// Distinct call signs the lookups are drawn from.
constexpr int kPoolSize = 20000;

// Processor time of this program: the machine it runs on is shared, and time spent waiting for a
// processor would land on whichever side happened to be running.
class CpuTimer
{
public:
    CpuTimer() { restart(); }
    void restart() { m_start = std::clock(); }
    double ms() const { return double(std::clock() - m_start) * 1000.0 / CLOCKS_PER_SEC; }

private:
    std::clock_t m_start;
};

// Loads both files a few times and runs the lookups; false when the answers differ.
bool runOn(const QString& label, const QString& folder, int callCount)
{
    const QString ctyPath = QDir(folder).filePath(QStringLiteral("Cty.dat"));
    const QString dxPath = QDir(folder).filePath(QStringLiteral("TH_DX.dat"));
    SilentPrompts prompts;

    std::vector<double> loads;
    CountryTable countries;
    DxccTable dxcc;
    for (int run = 0; run < 7; ++run) {
        CpuTimer t;
        countries.LoadCountryFile(ctyPath, prompts);
        dxcc.LoadDxccFile(dxPath, prompts);
        loads.push_back(t.ms());
    }
    std::sort(loads.begin(), loads.end());

    // The load's baseline: both files read whole, nothing more.
    std::vector<double> reads;
    for (int run = 0; run < 7; ++run) {
        CpuTimer t;
        for (const QString& path : {ctyPath, dxPath}) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly) && f.readAll().isEmpty())
                return false;
        }
        reads.push_back(t.ms());
    }
    std::sort(reads.begin(), reads.end());

    std::printf("\n%s\n", qPrintable(label));
    std::printf("  country file:  %lld bytes, %d prefixes, %d exact calls\n", QFileInfo(ctyPath).size(),
                int(countries.prefixEntries().size()), int(countries.exactCallEntries().size()));
    std::printf("  TH_DX file:    %lld bytes, %d lines\n", QFileInfo(dxPath).size(),
                int(dxcc.lines().size()));
    std::printf("  load both:     best %.1f ms, median %.1f ms over %d runs (target < 100 ms)\n",
                loads.front(), loads[loads.size() / 2], int(loads.size()));
    std::printf("  plain read:    best %.1f ms\n", reads.front());
    const QString tag = QStringLiteral(" (") + label + QLatin1Char(')');
    // A read too quick for the clock gives no meaningful ratio.
    const double readMs = std::max(reads.front(), 0.1);
    printBenchResult(QStringLiteral("Tables: load Cty.dat + TH_DX.dat") + tag,
                     benchValue(loads.front(), "ms"),
                     benchValue(reads.front(), "ms") + QStringLiteral(" (plain read)"),
                     QString::number(loads.front() / readMs, 'f', 1) + QLatin1Char('x'),
                     QStringLiteral("< 100 ms"), loads.front() < 100);

    // The lookups go through a pool of call signs in random order, as a log's contacts would,
    // so that both sides are measured on lookups rather than on fetching a million fresh strings.
    Rng rng(20240501);
    const QStringList pool = makeCalls(countries, std::min(callCount, kPoolSize), rng);
    std::vector<int> order(static_cast<size_t>(callCount));
    for (int& i : order)
        i = between(rng, 0, pool.size() - 1);

    // What a caller keeps of each answer; summed so that no lookup can be optimised away.
    auto digest = [](const QString& prefix, const DxccColumns& c) {
        return size_t(prefix.size()) + size_t(c.columnA.size()) * 7 + size_t(c.columnB.size()) * 31 +
               (c.columnB.isEmpty() ? 0 : c.columnB.at(0).unicode());
    };

    size_t fastSum = 0;
    CpuTimer t;
    for (const int i : order) {
        const QString prefix = countries.LookupDxccPrefix(pool.at(i));
        fastSum += digest(prefix, dxcc.FindDxccLine(prefix));
    }
    const double indexedMs = t.ms();

    std::printf(
        "  call signs:    %d distinct (exact, portable, prefix, miss: a quarter each), %d of them found\n",
        int(pool.size()), found(countries, pool));
    std::printf("  lookups:       %d, LookupDxccPrefix + FindDxccLine each (processor time)\n", callCount);
    std::printf("  indexed:       %9.1f ms  %12.0f lookups/s\n", indexedMs, callCount / (indexedMs / 1000));

    bool ok = true;
    for (const bool tuned : {false, true}) {
        const LinearTables linear(countries, dxcc, tuned);
        size_t slowSum = 0;
        t.restart();
        for (const int i : order) {
            const QString prefix = linear.lookupDxccPrefix(pool.at(i));
            slowSum += digest(prefix, linear.findDxccLine(prefix));
        }
        const double linearMs = t.ms();

        // Every call sign of the pool, answer by answer.
        int same = 0;
        QString firstDiff;
        for (const QString& call : pool) {
            const QString a = countries.LookupDxccPrefix(call);
            const QString b = linear.lookupDxccPrefix(call);
            const DxccColumns ca = dxcc.FindDxccLine(a);
            const DxccColumns cb = linear.findDxccLine(b);
            if (a == b && ca.columnA == cb.columnA && ca.columnB == cb.columnB)
                ++same;
            else if (firstDiff.isEmpty())
                firstDiff = call + QStringLiteral(" -> indexed ") + a + QStringLiteral(", linear ") + b;
        }
        const bool agree = same == pool.size() && fastSum == slowSum;
        ok = ok && agree;
        std::printf("  %s %9.1f ms  %12.0f lookups/s  -> indexed is %.0fx faster%s\n",
                    tuned ? "tuned scan:   " : "plain scan:   ", linearMs, callCount / (linearMs / 1000),
                    linearMs / indexedMs, tuned ? "" : " (target >= 100x)");
        std::printf("                 same answers for %d of %d call signs%s\n", same, int(pool.size()),
                    agree ? "" : "  MISMATCH");
        if (!firstDiff.isEmpty())
            std::printf("                 first mismatch: %s\n", qPrintable(firstDiff));
        if (!tuned)
            printBenchResult(
                QStringLiteral("Tables: prefix + DXCC lookups") + tag,
                benchValue(callCount / (indexedMs / 1000), "lookups/s", 0),
                benchValue(callCount / (linearMs / 1000), "lookups/s", 0) + QStringLiteral(" (linear scan)"),
                QString::number(linearMs / indexedMs, 'f', 0) + QLatin1Char('x'),
                QStringLiteral(">= 100x baseline, same answers"), linearMs / indexedMs >= 100 && agree);
        std::fflush(stdout);
    }
    return ok;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int callCount = 1000000;
    QStringList countryFiles;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--calls") && i + 1 < args.size())
            callCount = std::max(4, args.at(++i).toInt());
        else
            countryFiles << args.at(i);
    }

    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "no scratch folder\n");
        return 2;
    }
    bool ok = true;
    Rng rng(7);

    // The generated country file, and a TH_DX-style file for its entities.
    {
        const QString folder = scratch.filePath(QStringLiteral("generated"));
        QDir().mkpath(folder);
        writeFile(QDir(folder).filePath(QStringLiteral("Cty.dat")), generateCountryFile(rng));
        CountryTable countries;
        SilentPrompts prompts;
        countries.LoadCountryFile(QDir(folder).filePath(QStringLiteral("Cty.dat")), prompts);
        writeFile(QDir(folder).filePath(QStringLiteral("TH_DX.dat")), generateDxccFile(countries, rng));
        ok = runOn(QStringLiteral("generated country file"), folder, callCount) && ok;
    }

    for (int n = 0; n < countryFiles.size(); ++n) {
        const QString folder = scratch.filePath(QStringLiteral("given%1").arg(n));
        QDir().mkpath(folder);
        const QString cty = QDir(folder).filePath(QStringLiteral("Cty.dat"));
        if (!QFile::copy(countryFiles.at(n), cty)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(countryFiles.at(n)));
            ok = false;
            continue;
        }
        CountryTable countries;
        SilentPrompts prompts;
        countries.LoadCountryFile(cty, prompts);
        writeFile(QDir(folder).filePath(QStringLiteral("TH_DX.dat")), generateDxccFile(countries, rng));
        ok = runOn(countryFiles.at(n), folder, callCount) && ok;
    }
    return ok ? 0 : 1;
}
