#include "adif_import/adif_records.h"

#include "common/text_lines.h"
#include "hamlog/hamlog_data.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace AdifRecords {

namespace {

constexpr int kProgressEveryChunks = 2048;

inline ushort lowerAscii(ushort c)
{
    return (c >= 'A' && c <= 'Z') ? ushort(c + ('a' - 'A')) : c;
}

inline bool isBreak(ushort c)
{
    return c == '\r' || c == '\n';
}

inline bool isBlank(ushort c)
{
    return c == ' ' || c == '\t' || isBreak(c);
}

// Position of the next "<name" (name given in lower case, e.g. "eor>") at or after from and
// before end, in any letter case; -1 when there is none.
int findTag(const QString& text, int from, int end, const char* name)
{
    const QChar* d = text.constData();
    const int length = int(qstrlen(name));
    for (int at = int(text.indexOf(QLatin1Char('<'), from)); at >= 0 && at < end;
         at = int(text.indexOf(QLatin1Char('<'), at + 1))) {
        if (at + 1 + length > end)
            return -1;
        int i = 0;
        while (i < length && lowerAscii(d[at + 1 + i].unicode()) == ushort(name[i]))
            ++i;
        if (i == length)
            return at;
    }
    return -1;
}

int countTags(const QString& text, int from, int end, const char* name)
{
    int count = 0;
    for (int at = findTag(text, from, end, name); at >= 0; at = findTag(text, at + 1, end, name))
        ++count;
    return count;
}

// True when [from, end) holds "CALL:" in any letter case: the tag of the CALL field, and of every
// field whose name ends in CALL.
bool holdsCall(const QString& text, int from, int end)
{
    const QChar* d = text.constData();
    for (int i = from + 4; i < end; ++i) {
        if (d[i].unicode() != ':')
            continue;
        if (lowerAscii(d[i - 4].unicode()) == 'c' && lowerAscii(d[i - 3].unicode()) == 'a' &&
            lowerAscii(d[i - 2].unicode()) == 'l' && lowerAscii(d[i - 1].unicode()) == 'l')
            return true;
    }
    return false;
}

class Finder
{
public:
    Finder(const QString& text, const Progress& progress)
        : m_text(text), m_d(text.constData()), m_progress(progress)
    {
    }

    QStringList run()
    {
        const int n = int(m_text.size());
        // Nothing before the end of the header is a record.
        const int eoh = findTag(m_text, 0, n, "eoh>");
        m_bodyStart = eoh >= 0 ? eoh + 5 : 0;
        int chunks = 0;
        for (int pos = m_bodyStart; pos < n;) {
            const int eor = findTag(m_text, pos, n, "eor>");
            const int end = eor < 0 ? n : eor + 5;
            chunk(pos, end, eor >= 0);
            pos = end;
            if (m_progress && ++chunks % kProgressEveryChunks == 0)
                m_progress(pos, n, int(m_records.size()));
        }
        if (m_progress)
            m_progress(n, n, int(m_records.size()));
        return m_records;
    }

private:
    // One stretch of text from the end of the header or of the previous record up to the next
    // end-of-record tag (or the end of the file, for a last record whose tag is missing).
    void chunk(int from, int end, bool endsWithEor)
    {
        int s = from;
        int t = end;
        while (s < t && isBlank(m_d[s].unicode()))
            ++s;
        while (t > s && isBlank(m_d[t - 1].unicode()))
            --t;
        if (s >= t)
            return;
        int firstBreak = s;
        while (firstBreak < t && !isBreak(m_d[firstBreak].unicode()))
            ++firstBreak;
        if (firstBreak == t) {
            if (holdsCall(m_text, s, t))
                m_records.append(singleLine(s, t, endsWithEor));
            return;
        }
        // Several lines. One CALL field among them: a record spread over lines, kept whole. More
        // than one: lines of one-record-per-line shape where some line lost its end-of-record tag
        // (a write cut short); each line holding "CALL:" is a record of its own then, so that one
        // damaged line cannot swallow the next record.
        if (countTags(m_text, s, t, "call:") <= 1) {
            if (holdsCall(m_text, s, t))
                m_records.append(m_text.mid(s, t - s));
            return;
        }
        int lineStart = s;
        for (int i = s; i <= t; ++i) {
            if (i < t && !isBreak(m_d[i].unicode()))
                continue;
            if (i > lineStart && holdsCall(m_text, lineStart, i))
                m_records.append(m_text.mid(lineStart, i - lineStart));
            lineStart = i + 1;
        }
    }

    // A record on one line is that whole line, exactly as read, when no other record shares it.
    // Whatever follows its end-of-record tag on the line belongs to the next record (one that
    // goes on over further lines), so the line counts as the record's own only when nothing but
    // blanks follows the tag: otherwise the record would carry the next one's first fields, and
    // a field it lacks would be read from the next contact.
    QString singleLine(int s, int t, bool endsWithEor) const
    {
        const int n = int(m_text.size());
        int lineStart = s;
        while (lineStart > 0 && !isBreak(m_d[lineStart - 1].unicode()))
            --lineStart;
        int lineEnd = t;
        while (lineEnd < n && !isBreak(m_d[lineEnd].unicode()))
            ++lineEnd;
        bool restBlank = true;
        for (int i = t; i < lineEnd && restBlank; ++i)
            restBlank = isBlank(m_d[i].unicode());
        if (restBlank && lineStart >= m_bodyStart &&
            countTags(m_text, lineStart, lineEnd, "eor>") == (endsWithEor ? 1 : 0))
            return m_text.mid(lineStart, lineEnd - lineStart);
        return m_text.mid(s, t - s);
    }

    const QString& m_text;
    const QChar* m_d;
    const Progress& m_progress;
    int m_bodyStart = 0;
    QStringList m_records;
};

} // namespace

bool isValidUtf8(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more;
        unsigned int min;
        unsigned int code;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            min = 0x80;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            min = 0x800;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            min = 0x10000;
            code = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        p += more + 1;
    }
    return true;
}

namespace {

QString fromUtf16(const char* data, qsizetype size, bool little)
{
    QString text(int(size / 2), Qt::Uninitialized);
    const auto* p = reinterpret_cast<const uchar*>(data);
    for (int i = 0; i < text.size(); ++i, p += 2)
        text[i] = QChar(little ? ushort(p[0] | (p[1] << 8)) : ushort((p[0] << 8) | p[1]));
    return text;
}

// ADIF text written as UTF-16 without a byte-order mark: its tags and numbers are ASCII, so one
// byte of nearly every pair is 0, and always the same one of the two.
bool looksLikeUtf16(const QByteArray& bytes, bool& little)
{
    const qsizetype pairs = bytes.size() / 2;
    if (pairs < 4)
        return false;
    qsizetype zeroEven = 0;
    qsizetype zeroOdd = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        zeroEven += bytes.at(i) == '\0' ? 1 : 0;
        zeroOdd += bytes.at(i + 1) == '\0' ? 1 : 0;
    }
    little = zeroOdd >= zeroEven;
    const qsizetype high = qMax(zeroEven, zeroOdd);
    const qsizetype low = qMin(zeroEven, zeroOdd);
    return high * 2 >= pairs && low * 20 <= pairs;
}

// True when the text holds an ADIF tag: a field ("<call:4>") or the end of the header or of a
// record.
bool holdsAdifTag(const QString& text)
{
    const int n = int(text.size());
    for (int at = int(text.indexOf(QLatin1Char('<'))); at >= 0;
         at = int(text.indexOf(QLatin1Char('<'), at + 1))) {
        if (findTag(text, at, qMin(n, at + 5), "eoh>") == at ||
            findTag(text, at, qMin(n, at + 5), "eor>") == at)
            return true;
        int i = at + 1;
        while (i < n && (text.at(i).isLetterOrNumber() || text.at(i) == QLatin1Char('_')) &&
               text.at(i).unicode() < 0x80)
            ++i;
        if (i > at + 1 && i + 1 < n && text.at(i) == QLatin1Char(':') && text.at(i + 1).isDigit())
            return true;
    }
    return false;
}

} // namespace

bool readText(const QByteArray& bytes, QString& text, QString& reason)
{
    text.clear();
    QByteArray body = bytes;
    if (body.contains('\0') && !body.startsWith("\xFF\xFE") && !body.startsWith("\xFE\xFF")) {
        bool little = true;
        if (looksLikeUtf16(body, little)) {
            text = fromUtf16(body.constData(), body.size(), little);
        } else {
            // A log whose writer was cut off by a power failure can hold runs of zero bytes where
            // its last lines should be, and go on after them; each run ends a line. Zero bytes
            // among other control codes are a program or an image chosen by mistake.
            for (const char c : body) {
                const auto u = static_cast<uchar>(c);
                if (u < 0x20 && u != 0 && c != '\t' && c != '\r' && c != '\n' && c != '\f' && u != 0x1A) {
                    reason = QStringLiteral("ADIF ファイルではありません (テキストではないファイルです)");
                    return false;
                }
            }
            body.replace('\0', '\n');
        }
    }
    if (text.isEmpty())
        text = decode(body);
    if (!holdsAdifTag(text)) {
        text.clear();
        reason = QStringLiteral("ADIF ファイルではありません (ADIF のタグがありません)");
        return false;
    }
    return true;
}

QString decode(const QByteArray& bytes)
{
    // A byte-order mark of UTF-16 (what an editor's "Unicode" saving writes) says how to read the rest.
    if (bytes.size() >= 2 && (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))) {
        return fromUtf16(bytes.constData() + 2, bytes.size() - 2, bytes.at(0) == '\xFF');
    }
    static const QByteArray bom("\xEF\xBB\xBF");
    const bool hasBom = bytes.startsWith(bom);
    const QByteArray body = hasBom ? QByteArray::fromRawData(bytes.constData() + 3, bytes.size() - 3) : bytes;
    if (isValidUtf8(body))
        return QString::fromUtf8(body.constData(), int(body.size()));
    return TextLines::decode(body);
}

QStringList findRecords(const QString& text, const Progress& progress)
{
    return Finder(text, progress).run();
}

void CollectRecords(const QStringList& records, int first, int last, const QVector<bool>& leaveOut)
{
    ClearAdifTransferList();
    const int from = qMax(first, 1);
    const int to = qMin(last, int(records.size()));
    for (int number = from; number <= to; ++number) {
        if (!leaveOut.value(number - 1, false))
            AddAdifTransferRecord(records.at(number - 1));
        else
            ++AdifTransferLeftOut;
    }
}

QString cannotReadText(const QString& path, const QString& reason)
{
    return QStringLiteral("ADIF ファイルを読み込めません\n%1\n%2")
        .arg(QDir::toNativeSeparators(path), reason);
}

bool LoadAdifFile(const QString& path, QStringList& records, QString& error, const Progress& progress)
{
    records.clear();
    const QFileInfo info(path);
    QString reason;
    if (!info.exists())
        reason = QStringLiteral("ファイルがありません");
    else if (info.isDir())
        reason = QStringLiteral("ファイルではなくフォルダーです");
    else if (!info.isFile())
        reason = QStringLiteral("普通のファイルではありません"); // a FIFO or device would block or never end
    else if (info.size() > kMaxFileBytes)
        reason = QStringLiteral("ファイルが大きすぎます (%1 MB まで)").arg(kMaxFileBytes / (1024LL * 1024));
    if (!reason.isEmpty()) {
        error = cannotReadText(path, reason);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = cannotReadText(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = cannotReadText(path, file.errorString());
        return false;
    }
    QString text;
    if (!readText(bytes, text, reason)) {
        error = cannotReadText(path, reason);
        return false;
    }
    records = findRecords(text, progress);
    return true;
}

QString displayText(const QString& record)
{
    QString shown = record;
    QChar* d = shown.data();
    const int n = int(shown.size());
    int out = 0;
    for (int i = 0; i < n; ++i) {
        const ushort c = d[i].unicode();
        if (c == '\r' && i + 1 < n && d[i + 1].unicode() == '\n')
            continue; // CR LF makes one space
        d[out++] = (c == '\t' || isBreak(c)) ? QChar(QLatin1Char(' ')) : d[i];
    }
    shown.truncate(out);
    return shown;
}

} // namespace AdifRecords
