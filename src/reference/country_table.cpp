#include "reference/country_table.h"

#include "common/program_folder.h"
#include "common/text_lines.h"

#include <QFileInfo>
#include <QVarLengthArray>

namespace {

// Column 70 of a header line, where the primary prefix begins.
constexpr int kPrefixColumn = 69;
// Columns 1 to 26 of a header line hold the entity name.
constexpr int kNameWidth = 26;

// A piece of the file's text: [begin, end) of data.
struct Span
{
    const QChar* data;
    int begin;
    int end;

    int size() const { return end - begin; }
    bool isEmpty() const { return end <= begin; }
    QChar at(int i) const { return data[begin + i]; }
    QString toString() const { return QString(data + begin, size()); }
    Span left(int n) const { return Span{data, begin, begin + std::max(0, std::min(n, size()))}; }
    Span mid(int from) const { return Span{data, std::min(begin + from, end), end}; }
    Span trimmed() const
    {
        Span s = *this;
        while (s.begin < s.end && data[s.begin] == QLatin1Char(' '))
            ++s.begin;
        while (s.end > s.begin && data[s.end - 1] == QLatin1Char(' '))
            --s.end;
        return s;
    }
    int indexOf(QChar c) const
    {
        for (int i = begin; i < end; ++i) {
            if (data[i] == c)
                return i - begin;
        }
        return -1;
    }
};

QString formatError(int lineNumber, const QString& what)
{
    return QStringLiteral("Cty.dat の %1 行目の形式が正しくありません。\r\n%2\r\n"
                          "この行から後は読み込みませんでした。")
        .arg(lineNumber)
        .arg(what);
}

// Checks that an opening marker of an entry is closed after it. Empty when fine, otherwise what
// is wrong.
QString checkMarker(const Span& entry, QChar open, QChar close)
{
    const int o = entry.indexOf(open);
    if (o < 0)
        return QString();
    const int c = entry.indexOf(close);
    if (c > o)
        return QString();
    return QStringLiteral("項目「%1」の「%2」に対応する「%3」がありません。")
        .arg(entry.toString(), QString(open), QString(close));
}

} // namespace

QString CountryFilePath()
{
    return ProgramFolder::filePath(QStringLiteral("Cty.dat"));
}

void CountryTable::clear()
{
    m_prefixEntries.clear();
    m_exactEntries.clear();
    m_prefixIndex.clear();
    m_exactIndex.clear();
    m_longestPrefixKey = 0;
}

void CountryTable::AddPrefixEntry(const QString& key, const QString& dxccPrefix)
{
    if (key.isEmpty() || !isTableKey(key.at(0)))
        return;
    m_prefixEntries.append(CountryEntry{key, dxccPrefix});
    m_prefixIndex.insertFirst(key, dxccPrefix);
    m_longestPrefixKey = std::max(m_longestPrefixKey, int(key.size()));
}

void CountryTable::AddExactCallEntry(const QString& key, const QString& dxccPrefix)
{
    if (key.isEmpty() || !isTableKey(key.at(0)))
        return;
    m_exactEntries.append(CountryEntry{key, dxccPrefix});
    m_exactIndex.insertFirst(key, dxccPrefix);
}

void CountryTable::LoadCountryFile(const QString& path, Prompts& prompts)
{
    clear();
    if (!QFileInfo(path).isFile()) {
        prompts.showMessage(QStringLiteral("NOT [Cty.dat] FILE"));
        return;
    }
    QByteArray bytes;
    if (!TextLines::readFile(path, bytes)) {
        prompts.showMessage(QStringLiteral("Cty.dat を読み込めません。"));
        return;
    }

    const QString text = TextLines::decode(bytes);
    bytes.clear();
    // A rough guess from the size of a real file keeps the tables from growing step by step.
    m_exactEntries.reserve(text.size() / 16);
    m_prefixEntries.reserve(text.size() / 64);
    m_exactIndex.reserve(text.size() / 16);
    m_prefixIndex.reserve(text.size() / 64);

    const QChar* data = text.constData();
    const int size = text.size();
    QString dxccPrefix;
    bool skipped = false;
    int lineNumber = 0;
    // Lines end at CR LF, a lone CR or a lone LF; nothing after the last line end makes a line.
    for (int pos = 0; pos < size;) {
        int end = pos;
        while (end < size && data[end] != QLatin1Char('\r') && data[end] != QLatin1Char('\n'))
            ++end;
        const Span line{data, pos, end};
        pos = end + ((end + 1 < size && data[end] == QLatin1Char('\r') && data[end + 1] == QLatin1Char('\n'))
                         ? 2
                         : 1);
        ++lineNumber;

        // A blank line (an editor's trailing one, or one left between entities) holds nothing;
        // taking it for a header without a name would throw away every country after it.
        bool blank = true;
        for (int k = 0; k < line.size() && blank; ++k)
            blank = line.at(k) == QLatin1Char(' ') || line.at(k) == QLatin1Char('\t');
        if (blank)
            continue;

        const bool entryLine = line.size() >= 4 && line.left(4).trimmed().isEmpty();
        if (!entryLine) {
            if (line.left(kNameWidth).trimmed().isEmpty()) {
                prompts.askOkCancel(
                    formatError(lineNumber, QStringLiteral("国・地域名（1～26 桁）が空です。")));
                return;
            }
            const Span prefix = line.mid(kPrefixColumn).trimmed();
            if (prefix.isEmpty()) {
                prompts.askOkCancel(formatError(
                    lineNumber, QStringLiteral("70 桁目から後にプライマリ プレフィックスがありません。")));
                return;
            }
            dxccPrefix = prefix.left(prefix.size() - 1).toString(); // drop the ":" that ends the field
            skipped = dxccPrefix.startsWith(QLatin1Char('*'));
            continue;
        }

        const Span list = line.trimmed();
        if (list.isEmpty())
            continue;
        const QChar last = list.at(list.size() - 1);
        if (last != QLatin1Char(',') && last != QLatin1Char(';')) {
            prompts.askOkCancel(
                formatError(lineNumber, QStringLiteral("行の終わりが「,」でも「;」でもありません。")));
            return;
        }

        // Each entry ends at "," (";" ends the entity's last one and counts the same).
        int start = list.begin;
        for (int i = list.begin; i < list.end; ++i) {
            if (data[i] != QLatin1Char(',') && data[i] != QLatin1Char(';'))
                continue;
            Span entry{data, start, i};
            start = i + 1;
            QString problem = checkMarker(entry, QLatin1Char('('), QLatin1Char(')'));
            if (problem.isEmpty())
                problem = checkMarker(entry, QLatin1Char('{'), QLatin1Char('}'));
            if (!problem.isEmpty()) {
                prompts.askOkCancel(formatError(lineNumber, problem));
                return;
            }
            if (skipped)
                continue;
            const bool exact = !entry.isEmpty() && entry.at(0) == QLatin1Char('=');
            if (exact)
                ++entry.begin;
            for (int k = entry.begin; k < entry.end; ++k) {
                const QChar c = data[k];
                if (c == QLatin1Char('(') || c == QLatin1Char('[') || c == QLatin1Char('<') ||
                    c == QLatin1Char('{')) {
                    entry.end = k;
                    break;
                }
            }
            if (entry.isEmpty() || !isTableKey(entry.at(0)))
                continue;
            if (exact)
                AddExactCallEntry(entry.toString(), dxccPrefix);
            else
                AddPrefixEntry(entry.toString(), dxccPrefix);
        }
    }
}

QString CountryTable::LookupDxccPrefix(const QString& callSign) const
{
    using Index = FirstKeyIndex<QString>;
    const int length = callSign.size();
    if (length == 0)
        return notFound();
    const QChar* call = callSign.constData();

    // One pass gives the first "/" and the hashes of the whole call and of every leading part
    // the prefix stage may try. The whole call is never tried as a prefix: the longest
    // candidate is one character shorter.
    const int longest = std::min(length - 1, m_longestPrefixKey);
    QVarLengthArray<quint32, 24> hashes(std::max(longest, 0) + 1);
    quint32 hash = Index::kSeed;
    int slash = -1;
    for (int i = 0; i < length; ++i) {
        if (slash < 0 && call[i] == QLatin1Char('/'))
            slash = i;
        hash = Index::step(hash, call[i]);
        if (i < longest)
            hashes[i + 1] = hash;
    }

    if (const QString* exact = m_exactIndex.find(call, length, hash))
        return *exact;

    // A portable suffix longer than the home call's part comes first: JA1XYZ/VK2 is worked as
    // VK2/JA1XYZ, while /P, /QRP and the like keep the home prefix.
    QVarLengthArray<QChar, 24> swapped;
    if (slash >= 0) {
        const Span a = Span{call, 0, slash};
        const Span b = Span{call, slash + 1, length};
        const bool qrp = b.size() == 3 && b.at(0) == QLatin1Char('Q') && b.at(1) == QLatin1Char('R') &&
                         b.at(2) == QLatin1Char('P');
        const int lengthB = b.trimmed().size();
        if (a.trimmed().size() > lengthB && lengthB > 1 && !qrp) {
            swapped.append(call + b.begin, b.size());
            swapped.append(QLatin1Char('/'));
            swapped.append(call, a.size());
            call = swapped.constData();
            hash = Index::kSeed;
            for (int n = 1; n <= longest; ++n) {
                hash = Index::step(hash, call[n - 1]);
                hashes[n] = hash;
            }
        }
    }

    for (int n = longest; n >= 1; --n) {
        if (const QString* hit = m_prefixIndex.find(call, n, hashes[n]))
            return *hit;
    }
    return notFound();
}
