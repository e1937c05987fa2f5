#include "hamlog/builtin_store.h"

#include "platform/durable_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStorageInfo>

#include <sqlite3.h>

#include <cerrno>

namespace {

// "VLKR" in the header's application id marks a file as one of these stores.
constexpr quint32 kApplicationId = 0x564C4B52;
constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 5000;
// Less room than this on the store's volume, and a write error is taken for a full disk.
constexpr qint64 kFullDiskBytes = qint64(1024) * 1024;
const char kFormatName[] = "VELKOR HAMLOG store";

// Column of each record field; index 0 and 15 are never stored.
const char* const kColumns[17] = {nullptr,  "call",     "qso_date", "time_on", "rst_sent",    "rst_rcvd",
                                  "freq",   "mode",     "dxcc_a",   "grid",    "qsl",         "name",
                                  "dxcc_b", "remarks1", "remarks2", nullptr,   "country_flag"};

const char kCreateSchema[] = "CREATE TABLE store_info(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
                             "CREATE TABLE hamlog_records("
                             " id INTEGER PRIMARY KEY,"
                             " call TEXT NOT NULL, qso_date TEXT NOT NULL, time_on TEXT NOT NULL,"
                             " rst_sent TEXT NOT NULL, rst_rcvd TEXT NOT NULL, freq TEXT NOT NULL,"
                             " mode TEXT NOT NULL, dxcc_a TEXT NOT NULL, grid TEXT NOT NULL,"
                             " qsl TEXT NOT NULL, name TEXT NOT NULL, dxcc_b TEXT NOT NULL,"
                             " remarks1 TEXT NOT NULL, remarks2 TEXT NOT NULL,"
                             " country_flag TEXT NOT NULL, appended_at TEXT NOT NULL);";

const int kStoredIndexes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16};

QString columnList()
{
    QStringList names;
    for (int i : kStoredIndexes)
        names << QString::fromLatin1(kColumns[i]);
    return names.join(QLatin1Char(','));
}

QString textColumn(sqlite3_stmt* stmt, int column)
{
    const void* text = sqlite3_column_text16(stmt, column);
    if (!text)
        return QString();
    return QString(static_cast<const QChar*>(text), sqlite3_column_bytes16(stmt, column) / 2);
}

QString damagedText(const QString& name, const QString& detail)
{
    return QStringLiteral("%1 は壊れています (%2)。\nVELKOR はこのファイルに書き込みません。"
                          "バックアップから戻すか、設定で別のデータベースを指定してください。")
        .arg(name, detail);
}

} // namespace

BuiltinStore::~BuiltinStore()
{
    // A store left open commits what it holds, as a close would.
    BuiltinStore::HamlogClose(nullptr, 1);
}

QString BuiltinStore::FieldColumn(int index)
{
    if (index < 0 || index > 16 || !kColumns[index])
        return QString();
    return QString::fromLatin1(kColumns[index]);
}

QString BuiltinStore::sqliteError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
}

bool BuiltinStore::diskLooksFull() const
{
    // A full disk or quota often comes back as a plain write error, and the error number SQLite
    // keeps for the connection may belong to a later call (the rollback after it); the store's
    // own file keeps the number of its last failed write, and the volume says what room is left.
    const auto full = [](int number) {
#ifdef Q_OS_WIN
        // SQLite keeps the system's own error codes there: ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL.
        return number == 112 || number == 39;
#else
        return number == ENOSPC || number == EFBIG
#ifdef EDQUOT
               || number == EDQUOT
#endif
            ;
#endif
    };
    int fileErrno = 0;
    if (m_db)
        sqlite3_file_control(m_db, "main", SQLITE_FCNTL_LAST_ERRNO, &fileErrno);
    if ((m_db && full(sqlite3_system_errno(m_db))) || full(fileErrno))
        return true;
    const QStorageInfo volume(QFileInfo(m_path).absolutePath());
    return volume.isValid() && volume.bytesAvailable() >= 0 && volume.bytesAvailable() < kFullDiskBytes;
}

QString BuiltinStore::failureText() const
{
    const QString name = QDir::toNativeSeparators(m_path);
    const QString detail = m_db ? sqliteError() : QStringLiteral("out of memory");
    switch (m_db ? sqlite3_extended_errcode(m_db) & 0xff : SQLITE_NOMEM) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("%1 は他のプログラムが使用中で、%2 秒待っても書き込めませんでした。\n"
                              "そのプログラムを閉じてください。")
            .arg(name)
            .arg(kBusyTimeoutMs / 1000);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return damagedText(name, detail);
    case SQLITE_IOERR:
        if (!diskLooksFull())
            return QStringLiteral("%1 に書き込めません。ディスクの読み書きに失敗しました (%2)").arg(name, detail);
        Q_FALLTHROUGH();
    case SQLITE_FULL:
        return QStringLiteral("%1 に書き込めません。ディスクがいっぱいです (%2)").arg(name, detail);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("%1 に書き込めません。読み取り専用のファイルか、書き込む権限がありません (%2)")
            .arg(name, detail);
    default:
        return QStringLiteral("%1 に書き込めません (%2)").arg(name, detail);
    }
}

bool BuiltinStore::checkIntegrity()
{
    // A damaged page that the append itself never reads would otherwise take records quietly until
    // the day the store cannot be read. The whole file is read, so this runs once per file and
    // session (each contact has its own open), not for every contact.
    if (m_checkedPath == m_path)
        return true;
    sqlite3_stmt* check = nullptr;
    bool sound = sqlite3_prepare_v2(m_db, "PRAGMA quick_check", -1, &check, nullptr) == SQLITE_OK;
    QString finding;
    int rc = SQLITE_ROW;
    while (sound && (rc = sqlite3_step(check)) == SQLITE_ROW) {
        const QString line = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
        if (line != QLatin1String("ok")) {
            finding = line;
            sound = false;
        }
    }
    const QString stepError = sound && rc != SQLITE_DONE ? failureText() : QString();
    sqlite3_finalize(check);
    if (!stepError.isEmpty()) {
        m_error = stepError;
        return false;
    }
    if (!sound) {
        m_error = finding.isEmpty() ? failureText() : damagedText(QDir::toNativeSeparators(m_path), finding);
        return false;
    }
    m_checkedPath = m_path;
    return true;
}

bool BuiltinStore::exec(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    m_error = QString::fromUtf8(message ? message : "");
    sqlite3_free(message);
    return false;
}

bool BuiltinStore::IsStoreFile(const QString& path)
{
    // The header is read with plain file access: SQLite never sees a foreign file, so nothing
    // (not even a journal beside it) can be written because of it.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArray("SQLite format 3\0", 16)))
        return false;
    const auto* b = reinterpret_cast<const unsigned char*>(header.constData()) + 68;
    const quint32 id = (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
    return id == kApplicationId;
}

bool BuiltinStore::GetThdllVersion(qint32& version)
{
    version = kVersion;
    return true;
}

bool BuiltinStore::HamlogOpen(qint32, unsigned char*, const QString& path, qint32, qint32& result)
{
    // A second open without a close keeps the first one's records.
    if (m_db)
        HamlogClose(nullptr, 1);
    m_error.clear();
    m_path = path;
    m_rolledBack = false;
    m_pending = 0;
    if (path.isEmpty()) {
        result = kCannotCreate;
        return true;
    }
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        result = openExisting(path);
        return true;
    }
    // A missing .hdb file is a HAMLOG database that has gone astray (a moved folder, a drive not
    // yet mounted), never a place for a new store: the user would log into a file HAMLOG cannot read.
    if (IsHamlogDatabaseName(path)) {
        m_error =
            QStringLiteral("%1 が見つかりません。\n拡張子 .hdb の名前は TURBO HAMLOG 自身のデータベースの"
                           "ものなので、VELKOR はこの名前で新しいデータベースを作りません。\n"
                           "設定のデータベースの場所を確かめるか、別の名前（例: VELKOR.db）にしてください。")
                .arg(QDir::toNativeSeparators(path));
        result = kCannotCreate;
        return true;
    }
    result = createNew(path);
    return true;
}

bool BuiltinStore::IsHamlogDatabaseName(const QString& path)
{
    return path.endsWith(QLatin1String(".hdb"), Qt::CaseInsensitive);
}

qint32 BuiltinStore::openExisting(const QString& path)
{
    if (QFileInfo(path).isDir()) {
        m_error = DatabaseIsFolderText(path);
        return kNotAStore;
    }
    // A store the user may not read is not a foreign file: say why it cannot be used.
    const QString unreadable = CheckReadable(path);
    if (!unreadable.isEmpty()) {
        m_error = unreadable;
        return kCannotOpen;
    }
    if (!QFileInfo(path).isFile() || !IsStoreFile(path)) {
        m_error = QStringLiteral("%1 は VELKOR のデータベースではありません").arg(path);
        return kNotAStore;
    }
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        m_error = failureText();
        closeConnection();
        return kCannotOpen;
    }
    // SQLite quietly falls back to reading a file it may not write; its error then says nothing.
    if (sqlite3_db_readonly(m_db, "main") != 0) {
        m_error = QStringLiteral("%1 に書き込めません。読み取り専用のファイルか、書き込む権限がありません")
                      .arg(QDir::toNativeSeparators(path));
        closeConnection();
        return kCannotOpen;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    sqlite3_stmt* check = nullptr;
    bool marked = false;
    if (sqlite3_prepare_v2(m_db, "SELECT value FROM store_info WHERE key='format'", -1, &check, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(check) == SQLITE_ROW) {
        marked = qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), kFormatName) == 0;
    }
    if (!marked) {
        const int rc = sqlite3_errcode(m_db);
        m_error = rc == SQLITE_ROW || rc == SQLITE_DONE
                      ? QStringLiteral("%1 は VELKOR のデータベースではありません")
                            .arg(QDir::toNativeSeparators(path))
                      : failureText();
    }
    sqlite3_finalize(check);
    if (marked && !exec("BEGIN IMMEDIATE"))
        m_error = failureText();
    else if (marked && checkIntegrity() && prepareInsert())
        return kOpened;
    closeConnection();
    return kCannotOpen;
}

qint32 BuiltinStore::createNew(const QString& path)
{
    // The store is built under a name of its own in the same folder and only then given its real
    // name, by a step that fails when the name is taken. So the name never shows a half-made store,
    // a failure never removes a store another process has published (and maybe written to), and
    // of several processes creating it at once one publishes and the others open that one.
    const QFileInfo target(path);
    QString temp;
    // A short name of its own, so that a store name near the system's length limit still leaves room.
    for (int attempt = 0; attempt < 16 && temp.isEmpty(); ++attempt) {
        const QString name =
            target.dir().filePath(QStringLiteral(".velkor-%1.new")
                                      .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        QFile file(name);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            temp = name;
        } else if (!QFileInfo::exists(name)) {
            m_error = QStringLiteral("%1 を作れません (%2)")
                          .arg(QDir::toNativeSeparators(path), file.errorString());
            return kCannotCreate;
        }
    }
    if (temp.isEmpty()) {
        m_error = QStringLiteral("%1 を作れません").arg(QDir::toNativeSeparators(path));
        return kCannotCreate;
    }
    const auto removeTemp = [&temp] {
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
    };

    const QByteArray schema = QByteArray("PRAGMA application_id=") + QByteArray::number(kApplicationId) +
                              ";PRAGMA user_version=" + QByteArray::number(kSchemaVersion) + ";BEGIN;" +
                              kCreateSchema + "INSERT INTO store_info VALUES('format','" + kFormatName +
                              "');COMMIT;";
    const bool built = sqlite3_open_v2(temp.toUtf8().constData(), &m_db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) == SQLITE_OK &&
                       exec(schema.constData());
    if (!built && m_error.isEmpty())
        m_error = sqliteError();
    closeConnection();
    if (!built) {
        m_error = QStringLiteral("%1 を作れません (%2)").arg(QDir::toNativeSeparators(path), m_error);
        removeTemp();
        return kCannotCreate;
    }

    bool taken = false;
    const bool published =
        DurableFile::publishNew(QDir::toNativeSeparators(temp).toUtf8().toStdString(),
                                QDir::toNativeSeparators(path).toUtf8().toStdString(), taken);
    if (!published) {
        removeTemp();
        if (!taken) {
            m_error = QStringLiteral("%1 を作れません").arg(QDir::toNativeSeparators(path));
            return kCannotCreate;
        }
    }
    // Ours or the one published first: either way the finished store is opened as any other.
    return openExisting(path);
}

bool BuiltinStore::prepareInsert()
{
    // Stores made before entries were remembered get the table with their next append.
    if (!exec("CREATE TABLE IF NOT EXISTS outbox_entries(entry_id INTEGER PRIMARY KEY, record_id INTEGER NOT NULL)") ||
        sqlite3_prepare_v2(m_db, "SELECT 1 FROM outbox_entries WHERE entry_id=?", -1, &m_findKey, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v2(m_db, "INSERT INTO outbox_entries(entry_id,record_id) VALUES(?,last_insert_rowid())", -1,
                           &m_insertKey, nullptr) != SQLITE_OK) {
        m_error = failureText();
        return false;
    }
    QString sql = QStringLiteral("INSERT INTO hamlog_records(%1,appended_at) VALUES(").arg(columnList());
    for (int i = 1; i <= 16; ++i)
        sql += i == 1 ? QStringLiteral("?") : QStringLiteral(",?");
    sql += QLatin1Char(')');
    if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &m_insert, nullptr) != SQLITE_OK) {
        m_error = failureText();
        return false;
    }
    return true;
}

bool BuiltinStore::SetThBuffer(unsigned char*, const QString& text, qint32 index)
{
    if (index == 0 && text.isEmpty())
        m_record.fill(QString());
    else if (index >= 1 && index <= 16 && index != 15)
        m_record[size_t(index)] = text;
    return true;
}

bool BuiltinStore::THW_append(unsigned char*, qint32, qint32&)
{
    if (!m_db) {
        m_error = QStringLiteral("データベースが開かれていません");
        return false;
    }
    const qint64 key = m_recordKey;
    m_recordKey = 0;
    if (key != 0) {
        sqlite3_bind_int64(m_findKey, 1, key);
        const int found = sqlite3_step(m_findKey);
        sqlite3_reset(m_findKey);
        if (found == SQLITE_ROW)
            return true; // appended before; the caller lost its note of it
        if (found != SQLITE_DONE) {
            m_error = QStringLiteral("データベースに追加できません\n") + failureText();
            return false;
        }
    }
    int parameter = 1;
    for (int i : kStoredIndexes) {
        const QString& text = m_record[size_t(i)];
        // A non-null pointer even for an empty text: the columns hold text, never NULL.
        const void* data =
            text.isEmpty() ? static_cast<const void*>("") : static_cast<const void*>(text.utf16());
        sqlite3_bind_text16(m_insert, parameter++, data, int(text.size()) * 2, SQLITE_TRANSIENT);
    }
    // Formatting the time costs more than the insert itself; records within one millisecond share it.
    const qint64 msecs = QDateTime::currentMSecsSinceEpoch();
    if (msecs != m_stampMsecs) {
        m_stampMsecs = msecs;
        m_stamp = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toString(Qt::ISODateWithMs);
    }
    sqlite3_bind_text16(m_insert, parameter, m_stamp.utf16(), int(m_stamp.size()) * 2, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(m_insert);
    if (rc != SQLITE_DONE) {
        m_error = QStringLiteral("データベースに追加できません\n") + failureText();
        // Some failures (a full disk, an I/O error) roll back the whole transaction.
        if (sqlite3_get_autocommit(m_db) && m_pending > 0)
            m_rolledBack = true;
    }
    sqlite3_reset(m_insert);
    if (rc != SQLITE_DONE)
        return false;
    if (key != 0) {
        sqlite3_bind_int64(m_insertKey, 1, key);
        const int tagged = sqlite3_step(m_insertKey);
        sqlite3_reset(m_insertKey);
        if (tagged != SQLITE_DONE) {
            // The record without its key could be stored twice later: neither stays.
            m_error = QStringLiteral("データベースに追加できません\n") + failureText();
            if (sqlite3_get_autocommit(m_db))
                m_rolledBack = m_pending > 0;
            else
                sqlite3_exec(m_db, "DELETE FROM hamlog_records WHERE id=last_insert_rowid()", nullptr, nullptr,
                             nullptr);
            return false;
        }
    }
    ++m_pending;
    return true;
}

bool BuiltinStore::HamlogClose(unsigned char*, qint32)
{
    if (!m_db)
        return true;
    sqlite3_finalize(m_insert);
    m_insert = nullptr;
    sqlite3_finalize(m_findKey);
    m_findKey = nullptr;
    sqlite3_finalize(m_insertKey);
    m_insertKey = nullptr;
    bool ok = true;
    int moved = 0;
    if (!sqlite3_get_autocommit(m_db) &&
        sqlite3_file_control(m_db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved) {
        // Committed now, the records would go into a file that no longer has the store's name and
        // is gone once closed; the user must learn they are not in the database.
        m_error = QStringLiteral("%1 が追加の途中で削除または移動されました。\n"
                                 "この追加の記録はデータベースに入っていません。")
                      .arg(QDir::toNativeSeparators(m_path));
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        ok = false;
    } else if (m_rolledBack) {
        m_error = QStringLiteral("%1 への追加は取り消されました。\n"
                                 "この追加でそれまでに追加した記録もデータベースに入っていません。")
                      .arg(QDir::toNativeSeparators(m_path));
        ok = false;
    }
    m_rolledBack = false;
    if (!sqlite3_get_autocommit(m_db)) {
        char* message = nullptr;
        if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, &message) != SQLITE_OK) {
            m_error = QStringLiteral("データベースに書き込めません\n") + failureText();
            sqlite3_free(message);
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            ok = false;
        }
    }
    closeConnection();
    return ok;
}

void BuiltinStore::closeConnection()
{
    for (sqlite3_stmt** stmt : {&m_insert, &m_findKey, &m_insertKey}) {
        sqlite3_finalize(*stmt);
        *stmt = nullptr;
    }
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

QString BuiltinStore::CheckReadable(const QString& path)
{
    const QFileInfo info(path);
    const QString name = QDir::toNativeSeparators(path);
    if (!info.exists())
        return QStringLiteral("%1 が見つかりません").arg(name);
    if (info.isDir())
        return DatabaseIsFolderText(path);
    if (!info.isFile())
        return QStringLiteral("%1 は通常のファイルではありません（FIFO、デバイスなど）").arg(name);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!info.isReadable())
            return QStringLiteral("%1 を読む権限がありません (%2)").arg(name, file.errorString());
        return QStringLiteral("%1 を開けません (%2)").arg(name, file.errorString());
    }
    return QString();
}

namespace {

// Reads every record through a connection opened with the given flags. Returns the SQLite result
// (extended) of the first failure, or SQLITE_OK.
int readWith(const QByteArray& file, int flags, QList<StoredRecord>& records, QString& message)
{
    records.clear();
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_open_v2(file.constData(), &db, flags, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        const QString sql =
            QStringLiteral("SELECT id,%1,appended_at FROM hamlog_records ORDER BY id").arg(columnList());
        rc = sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr);
    }
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = sqlite3_step(stmt);
        if (rc != SQLITE_ROW)
            break;
        StoredRecord record;
        record.id = sqlite3_column_int64(stmt, 0);
        int column = 1;
        for (int i : kStoredIndexes)
            record.fields[size_t(i)] = textColumn(stmt, column++);
        record.appendedAt = textColumn(stmt, column);
        records.append(record);
    }
    if (rc == SQLITE_DONE) {
        rc = SQLITE_OK;
    } else {
        if (db)
            rc = sqlite3_extended_errcode(db);
        message = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
        records.clear();
    }
    sqlite3_finalize(stmt);
    sqlite3_close_v2(db);
    return rc;
}

} // namespace

bool BuiltinStore::ReadRecords(const QString& path, QList<StoredRecord>& records, QString& error)
{
    records.clear();
    error = CheckReadable(path);
    if (!error.isEmpty())
        return false;
    if (!IsStoreFile(path)) {
        error =
            QStringLiteral("%1 は VELKOR のデータベースではありません").arg(QDir::toNativeSeparators(path));
        return false;
    }
    // A read-only connection leaves the file as it is. The plain path (no URI) also works for
    // network paths such as \\server\share.
    const QByteArray file = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toUtf8();
    QString message;
    int rc = readWith(file, SQLITE_OPEN_READONLY, records, message);
    if (rc == SQLITE_READONLY_ROLLBACK) {
        // An append was cut short (the program killed, the power gone) and its journal is still
        // there. A read-only connection cannot roll it back and refuses to read; opening for writing
        // does the same rollback any later append would, which restores the store to its last
        // complete state. Where the user may not write, the store must wait for someone who may.
        rc = readWith(file, SQLITE_OPEN_READWRITE, records, message);
        if (rc == SQLITE_READONLY_ROLLBACK || rc == SQLITE_READONLY || rc == SQLITE_CANTOPEN) {
            error =
                QStringLiteral(
                    "%1 には、途中で中断された追加が残っています（%1-journal）。回復するまで読めません。\n"
                    "このファイルとそのフォルダーに書き込める利用者で VELKOR を起動して 1 件追加するか、"
                    "velkor-cli logbook count "
                    "を実行すると、中断された追加が取り消されて読めるようになります。"
                    "%1-journal は消さないでください。")
                    .arg(QDir::toNativeSeparators(path));
            return false;
        }
    }
    if (rc != SQLITE_OK) {
        error = QStringLiteral("%1 を読めません (%2)").arg(QDir::toNativeSeparators(path), message);
        return false;
    }
    return true;
}
