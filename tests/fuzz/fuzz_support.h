#pragma once

// What the fuzz harnesses share: the check that ends a run on a finding, and a scratch file for
// the parsers that read from a path.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace Fuzz {

// Ends the run: libFuzzer keeps the input as a finding, a replay test fails.
[[noreturn]] inline void fail(const char* check, const QString& detail)
{
    std::fprintf(stderr, "fuzz check failed: %s\n  %s\n", check, qUtf8Printable(detail));
    std::abort();
}

inline QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size));
}

// Writes the bytes to a file of the given name in a folder that lasts for the whole run, and
// returns its path. Each input overwrites the file of the one before.
inline QString scratchFile(const QString& name, const QByteArray& bytes)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        fail("scratch folder", dir.errorString());
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("scratch file", file.errorString());
    return path;
}

// The decoder's contact text: 13 or 14 fields, each "<" tag ":" length ">" value " ", then
// "<eor>".
inline bool isDecodedContactText(const QString& text)
{
    qsizetype pos = 0;
    int fields = 0;
    while (text.mid(pos) != QLatin1String("<eor>")) {
        if (pos >= text.size() || text.at(pos) != QLatin1Char('<'))
            return false;
        const qsizetype colon = text.indexOf(QLatin1Char(':'), pos);
        const qsizetype close = colon < 0 ? -1 : text.indexOf(QLatin1Char('>'), colon);
        if (close < 0)
            return false;
        bool ok = false;
        const qsizetype length = text.mid(colon + 1, close - colon - 1).toLongLong(&ok);
        if (!ok || length < 0 || close + 1 + length >= text.size() ||
            text.at(close + 1 + length) != QLatin1Char(' '))
            return false;
        pos = close + 2 + length;
        ++fields;
    }
    return fields == 13 || fields == 14;
}

} // namespace Fuzz

// Like Q_ASSERT, but also in release builds, with a detail that tells the finding apart.
#define FUZZ_CHECK(condition, detail)                                                                        \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            Fuzz::fail(#condition, detail);                                                                  \
    } while (false)
