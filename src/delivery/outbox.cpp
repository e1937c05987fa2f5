#include "delivery/outbox.h"

#include "common/program_folder.h"
#include "common/regular_file.h"
#include "platform/durable_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <array>

namespace {

const QByteArray kHeader("VELKOR outbox 1\n", 16);
// A record longer than this is taken for a torn length, not a contact.
constexpr quint32 kMaxRecord = 64u * 1024 * 1024;
// The file is rewritten once this many more records than it has entries were appended.
constexpr int kCompactAfterRecords = 20000;

quint32 crc32(const char* data, qsizetype size)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < size; ++i)
        crc = table[(crc ^ quint8(data[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

template <typename T> void put(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, int(sizeof(T)));
}

// Reads the payload front to back; a read past its end makes it bad.
class Reader
{
public:
    Reader(const char* data, qsizetype size) : m_data(data), m_size(size) {}
    template <typename T> T get()
    {
        if (m_pos + qsizetype(sizeof(T)) > m_size) {
            m_bad = true;
            return T();
        }
        T value = qFromLittleEndian<T>(m_data + m_pos);
        m_pos += qsizetype(sizeof(T));
        return value;
    }
    QString text(qsizetype length)
    {
        if (length < 0 || m_pos + length > m_size) {
            m_bad = true;
            return QString();
        }
        QString value = QString::fromUtf8(m_data + m_pos, int(length));
        m_pos += length;
        return value;
    }
    QString rest() { return text(m_size - m_pos); }
    bool bad() const { return m_bad; }

private:
    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    bool m_bad = false;
};

QByteArray framed(const QByteArray& payload)
{
    QByteArray record;
    record.reserve(payload.size() + 8);
    put<quint32>(record, quint32(payload.size()));
    put<quint32>(record, crc32(payload.constData(), payload.size()));
    return record + payload;
}

bool knownState(quint8 state)
{
    return state <= quint8(Outbox::State::Removed);
}

std::string nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path).toUtf8().toStdString();
}

} // namespace

QString Outbox::DefaultPath()
{
    return ProgramFolder::filePath(QStringLiteral("Log/Velkor.outbox"));
}

Outbox::Outbox(const QString& path) : m_path(path), m_compactAfterRecords(kCompactAfterRecords) {}

Outbox::~Outbox()
{
    // Marks nobody needed on the disk at once still go there, unsynced.
    if (!m_unwritten.isEmpty())
        appendBytes(m_unwritten, false);
}

QByteArray Outbox::entryRecord(const Entry& entry) const
{
    QByteArray payload;
    const QByteArray reason = entry.reason.toUtf8();
    payload.append('C');
    put<qint64>(payload, entry.id);
    put<qint64>(payload, entry.arrivedMs);
    put<quint8>(payload, quint8(entry.source));
    put<quint8>(payload, quint8(entry.state));
    put<qint64>(payload, entry.changedMs);
    put<quint32>(payload, quint32(reason.size()));
    payload += reason;
    payload += entry.text.toUtf8();
    return framed(payload);
}

bool Outbox::readRecord(const QByteArray& bytes, qsizetype pos, qsizetype& next)
{
    if (bytes.size() - pos < 8)
        return false;
    const quint32 length = qFromLittleEndian<quint32>(bytes.constData() + pos);
    const quint32 sum = qFromLittleEndian<quint32>(bytes.constData() + pos + 4);
    if (length == 0 || length > kMaxRecord || qsizetype(length) > bytes.size() - pos - 8)
        return false;
    const char* payload = bytes.constData() + pos + 8;
    const char kind = payload[0];
    if ((kind != 'C' && kind != 'S' && kind != 'N') || crc32(payload, length) != sum)
        return false;
    Reader in(payload + 1, length - 1);
    const qint64 id = in.get<qint64>();
    if (kind == 'C') {
        Entry read;
        read.id = id;
        read.arrivedMs = in.get<qint64>();
        read.source = in.get<quint8>();
        const quint8 state = in.get<quint8>();
        read.changedMs = in.get<qint64>();
        read.reason = in.text(in.get<quint32>());
        read.text = in.rest();
        if (in.bad() || !knownState(state))
            return false;
        read.state = State(state);
        m_entries[id] = read;
    } else if (kind == 'S') {
        const quint8 state = in.get<quint8>();
        const qint64 changed = in.get<qint64>();
        const QString reason = in.rest();
        if (in.bad() || !knownState(state))
            return false;
        const auto it = m_entries.find(id);
        if (it != m_entries.end()) {
            it->second.state = State(state);
            it->second.changedMs = changed;
            it->second.reason = reason;
        }
    } else if (in.bad()) {
        return false; // 'N' holds only the last id handed out before a compaction
    }
    m_lastId = qMax(m_lastId, id);
    next = pos + 8 + qsizetype(length);
    return true;
}

bool Outbox::load(qint64 nowMs)
{
    m_entries.clear();
    m_unwritten.clear();
    m_tornBytes = 0;
    m_damagedParts = 0;
    m_damagedCopy.clear();
    m_foreign = false;
    m_foreignReason.clear();
    m_error.clear();
    const QString irregular = RegularFile::problem(m_path);
    if (!irregular.isEmpty()) {
        // Opening a named pipe would wait for a writer that never comes; nothing of ours is there.
        m_foreign = true;
        m_error = irregular;
        m_foreignReason = irregular;
        return false;
    }
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("%1 を読めません (%2)").arg(QDir::toNativeSeparators(m_path), file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    if (!bytes.isEmpty() && !bytes.startsWith(kHeader) && !kHeader.startsWith(bytes)) {
        // Someone else's file under this name is never written to, let alone rewritten.
        m_foreign = true;
        m_error = QStringLiteral("%1 は VELKOR の未転送ファイルではありません").arg(QDir::toNativeSeparators(m_path));
        m_foreignReason = m_error;
        return false;
    }
    qsizetype pos = qMin(kHeader.size(), bytes.size());
    int records = 0;
    while (pos < bytes.size()) {
        qsizetype next = 0;
        if (readRecord(bytes, pos, next)) {
            pos = next;
            ++records;
            continue;
        }
        // Every record is framed: reading goes on at the next place where a whole record with a
        // matching checksum starts, so damage costs only the records it hit.
        qsizetype found = pos + 1;
        while (found < bytes.size() && !readRecord(bytes, found, next))
            ++found;
        m_tornBytes += found - pos;
        if (found < bytes.size()) {
            ++m_damagedParts;
            pos = next;
            ++records;
            continue;
        }
        // Nothing readable behind it. A crash during an append cuts the last record short (its
        // length runs past the end); anything else at the end is damage too.
        const bool cutShort = bytes.size() - pos < 8 ||
                              qsizetype(qFromLittleEndian<quint32>(bytes.constData() + pos)) > bytes.size() - pos - 8;
        if (!cutShort)
            ++m_damagedParts;
        break;
    }
    m_recordsSinceCompaction = records - int(m_entries.size());
    bool droppable = m_tornBytes > 0 || records > 2 * int(m_entries.size()) + 1;
    for (const auto& item : m_entries) {
        const Entry& e = item.second;
        droppable = droppable || e.state == State::Removed ||
                    (e.state == State::Appended && nowMs - e.changedMs > kKeepAppendedMs);
    }
    // What could not be read is kept aside before the file is rewritten without it. A record a
    // crash cut short was never confirmed to anyone; its copy may replace the last one. A damaged
    // file gets a copy of its own, which nothing replaces: it may hold contacts someone can still
    // read out of it by hand.
    if (m_tornBytes > 0) {
        const QString aside = m_path + QStringLiteral(".unreadable");
        if (m_damagedParts == 0) {
            QFile::remove(aside);
            QFile::copy(m_path, aside);
        } else {
            for (int n = 1; n < 10000 && m_damagedCopy.isEmpty(); ++n) {
                const QString name = aside + QLatin1Char('.') + QString::number(n);
                if (!QFileInfo::exists(name) && QFile::copy(m_path, name))
                    m_damagedCopy = name;
                else if (!QFileInfo::exists(name))
                    break;
            }
            // Without a copy the damaged file stays as it is: later records are appended behind
            // the damage, which reading skips.
            if (m_damagedCopy.isEmpty())
                return true;
        }
    }
    if (droppable && !compact(nowMs) && m_tornBytes > 0)
        return false;
    return true;
}

QString Outbox::damageText() const
{
    if (m_damagedParts == 0)
        return QString();
    const QString where = m_damagedCopy.isEmpty()
                              ? QStringLiteral("壊れたファイルはそのまま残してあります: %1").arg(QDir::toNativeSeparators(m_path))
                              : QStringLiteral("壊れたファイルの写しを残しました: %1").arg(QDir::toNativeSeparators(m_damagedCopy));
    return QStringLiteral("未転送ファイル %1 の %2 か所が壊れていて、そこにあった記録を読めませんでした。\n"
                          "読めた交信はこれまでどおり転送します。\n%3")
        .arg(QDir::toNativeSeparators(m_path))
        .arg(m_damagedParts)
        .arg(where);
}

qint64 Outbox::add(const QString& text, qint16 source, qint64 arrivedMs, State state, const QString& reason)
{
    // Ids carry the time, so that an outbox emptied by compaction (or lost) never hands out an id
    // the built-in store has seen before.
    m_lastId = qMax(m_lastId + 1, arrivedMs * 1000);
    Entry added;
    added.id = m_lastId;
    added.text = text;
    added.source = source;
    added.arrivedMs = arrivedMs;
    added.state = state;
    added.changedMs = arrivedMs;
    added.reason = reason;
    m_unwritten += entryRecord(added);
    m_entries[added.id] = added;
    return added.id;
}

bool Outbox::flush()
{
    if (m_unwritten.isEmpty())
        return true;
    if (!appendBytes(m_unwritten, true))
        return false;
    m_unwritten.clear();
    return true;
}

bool Outbox::appendBytes(const QByteArray& bytes, bool durable)
{
    ++m_recordsSinceCompaction;
    bool ok = false;
    if (m_foreign) {
        ok = false;
    } else if (durable) {
        ok = DurableFile::append(nativePath(m_path), kHeader.toStdString(), bytes.toStdString());
    } else {
        QFile file(m_path);
        ok = file.open(QIODevice::WriteOnly | QIODevice::Append) &&
             (file.size() > 0 || file.write(kHeader) == kHeader.size()) && file.write(bytes) == bytes.size() &&
             file.flush();
    }
    // Something that is not an outbox keeps being named for what it is.
    if (!ok)
        m_error = QStringLiteral("%1 に書き込めません").arg(QDir::toNativeSeparators(m_path)) +
                  (m_foreign ? QStringLiteral(" (%1)").arg(m_foreignReason) : QString());
    return ok;
}

bool Outbox::setState(qint64 id, State state, const QString& reason, qint64 nowMs, bool durable)
{
    const auto it = m_entries.find(id);
    if (it == m_entries.end())
        return false;
    it->second.state = state;
    it->second.reason = reason;
    it->second.changedMs = nowMs;
    QByteArray payload;
    payload.append('S');
    put<qint64>(payload, id);
    put<quint8>(payload, quint8(state));
    put<qint64>(payload, nowMs);
    payload += reason.toUtf8();
    // A mark that may be lost waits for the next synced write (the next contact taken in, say),
    // so that a burst costs no file operation per contact for it; it goes after the entry's own
    // record, whenever that is written.
    m_unwritten += framed(payload);
    ++m_recordsSinceCompaction;
    if (durable && !flush())
        return false;
    // Many marks on few entries: the file is rewritten, but not more often than the entries grow.
    if (m_recordsSinceCompaction > m_compactAfterRecords + 2 * int(m_entries.size()))
        compact(nowMs);
    return true;
}

bool Outbox::compact(qint64 nowMs)
{
    if (m_foreign)
        return false;
    QByteArray bytes = kHeader;
    QByteArray last("N");
    put<qint64>(last, m_lastId);
    bytes += framed(last);
    std::map<qint64, Entry> kept;
    for (const auto& item : m_entries) {
        const Entry& e = item.second;
        if (e.state == State::Removed || (e.state == State::Appended && nowMs - e.changedMs > kKeepAppendedMs))
            continue;
        bytes += entryRecord(e);
        kept.insert(item);
    }
    // What add() collected is written along, so it is on the disk when this returns.
    if (!DurableFile::replace(nativePath(m_path), bytes.toStdString())) {
        m_error = QStringLiteral("%1 を書き直せません").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    m_entries.swap(kept);
    m_unwritten.clear();
    m_tornBytes = 0;
    m_recordsSinceCompaction = 0;
    return true;
}

std::optional<Outbox::Entry> Outbox::entry(qint64 id) const
{
    const auto it = m_entries.find(id);
    if (it == m_entries.end())
        return std::nullopt;
    return it->second;
}

namespace {
bool inStates(Outbox::State state, std::initializer_list<Outbox::State> states)
{
    return std::find(states.begin(), states.end(), state) != states.end();
}
} // namespace

std::vector<Outbox::Entry> Outbox::entries(std::initializer_list<State> states) const
{
    std::vector<Entry> found;
    for (const auto& item : m_entries) {
        if (inStates(item.second.state, states))
            found.push_back(item.second);
    }
    return found;
}

int Outbox::count(std::initializer_list<State> states) const
{
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [&states](const auto& item) { return inStates(item.second.state, states); }));
}
