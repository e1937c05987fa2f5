#pragma once

#include <QString>
#include <QtGlobal>

#include <map>
#include <optional>
#include <vector>

// The outbox: every contact the intake takes in, kept on the disk before anything else is done
// with it, with where it stands on its way into the HAMLOG database. It lives beside the ADIF log
// ("Log/Velkor.outbox") and is what lets a contact survive a failed append, a crash or a power
// cut: whatever is not marked appended is appended again later.
//
// The file is a 16-byte header followed by records, only ever appended to:
//
//   u32 length | u32 CRC-32 of the payload | payload (length bytes)       (integers little-endian)
//
// payload, kind 'C' (an entry, with its state when written):
//   'C' | i64 id | i64 arrival (ms since 1970, UTC) | u8 source | u8 state | i64 changed (ms)
//       | u32 reason length | reason (UTF-8) | contact text (UTF-8, to the end)
// payload, kind 'S' (a later state of an entry):
//   'S' | i64 id | u8 state | i64 changed (ms) | reason (UTF-8, to the end)
// payload, kind 'N' (first after a compaction, so that ids never come back):
//   'N' | i64 the last id handed out
//
// A record that cannot be read (cut short by a crash, or damaged: its length or checksum does not
// hold) is skipped: reading goes on at the next place where a whole record with a matching
// checksum starts. The file is then rewritten without it before anything is appended again. The
// file as it was is kept aside first: as "Velkor.outbox.unreadable" when only the last record was
// cut short by a crash, under a name of its own ("Velkor.outbox.unreadable.N", never replaced)
// when it was damaged. Rewriting (compaction) writes every entry still kept as
// one 'C' record to a new file, puts it on the disk and only then gives it the outbox's name, so a
// crash during it leaves the old file whole. It drops removed entries and appended ones older than
// kKeepAppendedMs; it never drops a waiting, failed or refused entry.
class Outbox
{
public:
    enum class State : quint8 {
        Waiting = 0,  // taken in, not yet appended
        Started = 1,  // handed to a library that cannot tell later whether the append happened
        Appended = 2, // in the database
        Failed = 3,   // an append failed; waits for the next retry
        Refused = 4,  // not a contact (or one no append can ever take); kept for the user
        Removed = 5,  // the user said so; dropped at the next compaction
    };

    struct Entry
    {
        qint64 id = 0;
        QString text;
        qint16 source = 0;
        qint64 arrivedMs = 0;
        State state = State::Waiting;
        qint64 changedMs = 0;
        QString reason;
    };

    static constexpr qint64 kKeepAppendedMs = 7LL * 24 * 60 * 60 * 1000;

    // "Log/Velkor.outbox" in the program's folder.
    static QString DefaultPath();

    explicit Outbox(const QString& path);
    ~Outbox();
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // Reads the file (a missing one is an empty outbox), then compacts it when anything can be
    // dropped or a torn record was found. False when the file exists but cannot be read.
    bool load(qint64 nowMs);

    // Adds an entry; it reaches the disk with the next flush(), which callers make before they do
    // anything else with it. Returns its id: ids only grow, and never come back, even after the
    // entries before them are dropped.
    qint64 add(const QString& text, qint16 source, qint64 arrivedMs, State state = State::Waiting,
               const QString& reason = QString());
    // Writes what add() collected, in one synced write. False when it did not reach the disk; the
    // entries are kept in memory all the same, and written again with the next flush.
    bool flush();

    // Records a new state. durable: on the disk when this returns; otherwise written with the
    // next flush (or when the outbox is destroyed), for marks that can be found out again after a
    // crash.
    bool setState(qint64 id, State state, const QString& reason, qint64 nowMs, bool durable);

    // Rewrites the file with the entries kept (see above).
    bool compact(qint64 nowMs);
    // How many more records than twice its entries the file may gather before setState() rewrites
    // it (tests make compactions frequent with it).
    void setCompactAfterRecords(int records) { m_compactAfterRecords = records; }

    // Entries are handed out as copies and found again by their ids: a compaction, which any
    // setState() may start, rebuilds what the outbox holds.
    std::optional<Entry> entry(qint64 id) const;
    // Entries in one of the states, oldest first.
    std::vector<Entry> entries(std::initializer_list<State> states) const;
    int count(std::initializer_list<State> states) const;

    QString path() const { return m_path; }
    // Why the last write or read failed, for the user.
    QString lastError() const { return m_error; }
    // Bytes the last load could not read (0 for none).
    qint64 tornBytes() const { return m_tornBytes; }
    // Damaged places the last load skipped (a record cut short by a crash at the end is not
    // damage), and the copy of the file as it was then (empty when none could be made).
    int damagedParts() const { return m_damagedParts; }
    QString damagedCopy() const { return m_damagedCopy; }
    // What the user is told of that damage; empty when there was none.
    QString damageText() const;

private:
    QByteArray entryRecord(const Entry& entry) const;
    // Reads the record at pos into the entries and gives where the next one starts; false, and
    // nothing changed, when no whole record with a matching checksum starts there.
    bool readRecord(const QByteArray& bytes, qsizetype pos, qsizetype& next);
    bool appendBytes(const QByteArray& bytes, bool durable);

    QString m_path;
    std::map<qint64, Entry> m_entries;
    QByteArray m_unwritten;
    qint64 m_lastId = 0;
    qint64 m_tornBytes = 0;
    int m_damagedParts = 0;
    QString m_damagedCopy;
    bool m_foreign = false; // the file at the path is not an outbox
    QString m_foreignReason;
    int m_recordsSinceCompaction = 0;
    int m_compactAfterRecords;
    QString m_error;
};
