#include "reference/country_table.h"

#include "common/program_folder.h"
#include "common/text_lines.h"
#include "platform/code_page.h"

#include <QFileInfo>

namespace {

// Column 70 of a header line, where the primary prefix begins.
constexpr int kPrefixColumn = 69;
// Columns 1 to 26 of a header line hold the entity name.
constexpr int kNameWidth = 26;

QString formatError(int lineNumber, const QString& what)
{
    return QStringLiteral("Cty.dat の %1 行目の形式が正しくありません。\r\n%2\r\n"
                          "この行から後は読み込みませんでした。")
        .arg(lineNumber)
        .arg(what);
}

// Checks that an opening marker of an entry is closed after it. Empty when fine, otherwise what
// is wrong.
QString checkMarker(const QString& entry, QChar open, QChar close)
{
    const int o = entry.indexOf(open);
    if (o < 0)
        return QString();
    const int c = entry.indexOf(close);
    if (c >= 0 && c > o)
        return QString();
    return QStringLiteral("項目「%1」の「%2」に対応する「%3」がありません。")
        .arg(entry, QString(open), QString(close));
}

bool isEntryLine(const QString& line)
{
    return line.startsWith(QLatin1String("    "));
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
    if (!m_prefixIndex.contains(key))
        m_prefixIndex.insert(key, dxccPrefix);
    m_longestPrefixKey = std::max(m_longestPrefixKey, int(key.size()));
}

void CountryTable::AddExactCallEntry(const QString& key, const QString& dxccPrefix)
{
    if (key.isEmpty() || !isTableKey(key.at(0)))
        return;
    m_exactEntries.append(CountryEntry{key, dxccPrefix});
    if (!m_exactIndex.contains(key))
        m_exactIndex.insert(key, dxccPrefix);
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

    const QStringList lines = TextLines::split(CodePage::toUnicode(bytes));
    m_prefixEntries.reserve(lines.size() * 2);
    m_exactEntries.reserve(lines.size() * 4);

    QString dxccPrefix;
    bool skipped = false;
    for (int n = 0; n < lines.size(); ++n) {
        const QString& line = lines.at(n);
        if (!isEntryLine(line)) {
            if (TextLines::trimSpaces(line.left(kNameWidth)).isEmpty()) {
                prompts.askOkCancel(formatError(n + 1, QStringLiteral("国・地域名（1～26 桁）が空です。")));
                return;
            }
            const QString prefix = TextLines::trimSpaces(line.mid(kPrefixColumn));
            if (prefix.isEmpty()) {
                prompts.askOkCancel(formatError(
                    n + 1, QStringLiteral("70 桁目から後にプライマリ プレフィックスがありません。")));
                return;
            }
            dxccPrefix = prefix.left(prefix.size() - 1); // drop the ":" that ends the field
            skipped = dxccPrefix.startsWith(QLatin1Char('*'));
            continue;
        }

        QString text = TextLines::trimSpaces(line);
        if (text.isEmpty())
            continue;
        const QChar last = text.at(text.size() - 1);
        if (last != QLatin1Char(',') && last != QLatin1Char(';')) {
            prompts.askOkCancel(
                formatError(n + 1, QStringLiteral("行の終わりが「,」でも「;」でもありません。")));
            return;
        }
        text.replace(QLatin1Char(';'), QLatin1Char(','));

        int start = 0;
        for (int comma = text.indexOf(QLatin1Char(',')); comma >= 0;
             start = comma + 1, comma = text.indexOf(QLatin1Char(','), start)) {
            QString entry = text.mid(start, comma - start);
            QString problem = checkMarker(entry, QLatin1Char('('), QLatin1Char(')'));
            if (problem.isEmpty())
                problem = checkMarker(entry, QLatin1Char('{'), QLatin1Char('}'));
            if (!problem.isEmpty()) {
                prompts.askOkCancel(formatError(n + 1, problem));
                return;
            }
            if (skipped)
                continue;
            const bool exact = entry.startsWith(QLatin1Char('='));
            if (exact)
                entry.remove(0, 1);
            int cut = entry.size();
            for (const QChar marker :
                 {QLatin1Char('('), QLatin1Char('['), QLatin1Char('<'), QLatin1Char('{')}) {
                const int at = entry.indexOf(marker);
                if (at >= 0 && at < cut)
                    cut = at;
            }
            entry.truncate(cut);
            if (exact)
                AddExactCallEntry(entry, dxccPrefix);
            else
                AddPrefixEntry(entry, dxccPrefix);
        }
    }
}

QString CountryTable::LookupDxccPrefix(const QString& callSign) const
{
    if (callSign.isEmpty())
        return notFound();

    const auto exact = m_exactIndex.constFind(callSign);
    if (exact != m_exactIndex.constEnd())
        return exact.value();

    // A portable suffix longer than the home call's part comes first: JA1XYZ/VK2 is worked as
    // VK2/JA1XYZ, while /P, /QRP and the like keep the home prefix.
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

    // The whole call is never tried as a prefix; the longest candidate is one character shorter.
    for (int n = std::min(int(call.size()) - 1, m_longestPrefixKey); n >= 1; --n) {
        const auto hit = m_prefixIndex.constFind(call.left(n));
        if (hit != m_prefixIndex.constEnd())
            return hit.value();
    }
    return notFound();
}
