#pragma once

#include "common/prompts.h"
#include "reference/first_key_index.h"

#include <QString>
#include <QVector>

// One entry of the country tables: a call-sign prefix (or, for an exact entry, a whole call sign)
// and the primary DXCC prefix of the entity it stands under.
struct CountryEntry
{
    QString Key;
    QString DxccPrefix;
};

// Country prefix tables built from Cty.dat: call sign -> primary DXCC prefix.
//
// Entries are kept in file order, and each key maps to its first entry in the file, so a lookup
// answers exactly as a scan of the entries from the top would, without scanning.
class CountryTable
{
public:
    // Empties the tables and loads the file at path; problems are reported through prompts
    // ("NOT [Cty.dat] FILE", or the line that breaks the format). Entries before a bad line stay.
    void LoadCountryFile(const QString& path, Prompts& prompts);

    // The primary DXCC prefix of the call sign, or "?????" when nothing matches.
    QString LookupDxccPrefix(const QString& callSign) const;

    // Append one plain (prefix) or "=" (whole call sign) entry. A key whose first character is
    // not "A" to "Z" or "0" to "9" can never be looked up and is dropped.
    void AddPrefixEntry(const QString& key, const QString& dxccPrefix);
    void AddExactCallEntry(const QString& key, const QString& dxccPrefix);

    void clear();

    // The stored entries in file order.
    const QVector<CountryEntry>& prefixEntries() const { return m_prefixEntries; }
    const QVector<CountryEntry>& exactCallEntries() const { return m_exactEntries; }

    // True for the 36 characters that start a key: "A" to "Z" and "0" to "9".
    static bool isTableKey(QChar c)
    {
        const ushort u = c.unicode();
        return (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9');
    }

    // What a lookup answers when no entry matches.
    static QString notFound() { return QStringLiteral("?????"); }

private:
    QVector<CountryEntry> m_prefixEntries;
    QVector<CountryEntry> m_exactEntries;
    FirstKeyIndex<QString> m_prefixIndex; // key -> primary prefix of its first entry
    FirstKeyIndex<QString> m_exactIndex;
    int m_longestPrefixKey = 0;
};

// The program's folder followed by "Cty.dat".
QString CountryFilePath();
