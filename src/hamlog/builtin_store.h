#pragma once

#include "hamlog/hamlog_library.h"

#include <QList>
#include <QString>

#include <array>

struct sqlite3;
struct sqlite3_stmt;

// One record as the built-in store keeps it.
struct StoredRecord
{
    qint64 id = 0;
    std::array<QString, 17> fields; // indexes 1 to 14 and 16; 0 and 15 stay empty
    QString appendedAt;             // UTC, ISO 8601 with milliseconds
};

// The HAMLOG library's place on systems without HAMLOG's DLLs: an SQLite database at the path
// the program opens. A missing file becomes a new store; an existing file is used only when it
// is one of these stores, so a foreign file (a real HAMLOG database, say) is never touched.
//
// An open begins one transaction that the close commits: a single contact is durable when the
// append call returns, an import when it closes, and a failure path that closes keeps what was
// appended before it. Two failures take those records along, and the close then fails saying so:
// an append that SQLite answers by rolling back the whole transaction (a full disk), and a file
// deleted or moved away while it was open. A record given a key (setNextRecordKey) is stored with
// it (a table of its own, named outbox_entries when the store was first made) in the same transaction, and a record
// whose key is there already is not stored again, so a crash between the commit and the caller's
// note of it can neither lose nor double a contact. The first open of a file in a session checks its pages,
// so a damaged store is refused before anything is written to it.
class BuiltinStore : public HamlogLibrary
{
public:
    // Not 0, so the program takes the library as usable.
    static constexpr qint32 kVersion = 0x100;
    // Results of HamlogOpen.
    enum OpenResult : qint32 {
        kOpened = 0,
        kNotAStore = 1,    // the file exists but is not one of these stores
        kCannotCreate = 2, // no file there and none could be made
        kCannotOpen = 3,   // a store, but it cannot be opened for appending
    };

    BuiltinStore() = default;
    ~BuiltinStore() override;
    BuiltinStore(const BuiltinStore&) = delete;
    BuiltinStore& operator=(const BuiltinStore&) = delete;

    bool GetThdllVersion(qint32& version) override;
    bool HamlogOpen(qint32 mode, unsigned char* buffer, const QString& path, qint32 option,
                    qint32& result) override;
    bool SetThBuffer(unsigned char* buffer, const QString& text, qint32 index) override;
    bool THW_append(unsigned char* buffer, qint32 fieldCount, qint32& variable) override;
    bool HamlogClose(unsigned char* buffer, qint32 option) override;
    bool isLoaded() const override { return true; }
    QString lastError() const override { return m_error; }
    QString backendName() const override { return QStringLiteral("built-in"); }
    bool keepsRecordKeys() const override { return true; }
    void setNextRecordKey(qint64 key) override { m_recordKey = key; }

    bool isOpen() const { return m_db != nullptr; }

    // True when the file at path carries the store's mark. Reads the file's first bytes only.
    static bool IsStoreFile(const QString& path);

    // Reads every record of the store at path, in the order appended. The file is left as it is,
    // except that an append a crash cut short is rolled back (as the next append would) when the
    // caller may write there; otherwise error says how to recover the store.
    static bool ReadRecords(const QString& path, QList<StoredRecord>& records, QString& error);

    // Why the file at path cannot be read as a store file (missing, a folder, a FIFO or device, no
    // permission), in words for the user; empty when it can be opened for reading.
    static QString CheckReadable(const QString& path);

    // True for names ending in ".hdb" (any case): HAMLOG's own databases. No new store is ever
    // created under such a name.
    static bool IsHamlogDatabaseName(const QString& path);

    // Column names of the record fields by index (empty for 0 and 15).
    static QString FieldColumn(int index);

private:
    qint32 openExisting(const QString& path);
    qint32 createNew(const QString& path);
    bool exec(const char* sql);
    bool prepareInsert();
    void closeConnection();
    QString sqliteError() const;
    // The user's words for the last SQLite failure on the store, naming the file.
    QString failureText() const;
    // Whether the last write error came from a full disk, a quota or a file-size limit.
    bool diskLooksFull() const;
    // Whether the store's pages hold together; checked once per file, on its first open.
    bool checkIntegrity();

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_insert = nullptr;
    sqlite3_stmt* m_findKey = nullptr;
    sqlite3_stmt* m_insertKey = nullptr;
    qint64 m_recordKey = 0;
    std::array<QString, 17> m_record;
    QString m_error;
    QString m_path;
    QString m_checkedPath;
    // The open transaction was rolled back by a failed append (a full disk does that), taking the
    // records appended before it along.
    bool m_rolledBack = false;
    int m_pending = 0; // records appended since the open
    qint64 m_stampMsecs = -1;
    QString m_stamp;
};
