// Appends into the built-in HAMLOG store:
//  - an import of 30,000 WSJT-X-shaped ADIF records through ThDbFileAppend into a new store,
//    against a bare SQLite insert of the same converted rows in one transaction;
//  - 1,000 single-contact appends (ThLogDbAppend) in a row, with their latency.
#include "bench_result.h"
#include "bench_store_support.h"
#include "common/prompts.h"
#include "hamlog/builtin_store.h"
#include "hamlog/hamlog_data.h"
#include "hamlog/hamlog_transfer.h"
#include "platform/code_page.h"
#include "reference/country_table.h"
#include "reference/dxcc_table.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using bench::bareInsertMs;
using bench::writeFile;

constexpr int kImportRecords = 30000;
constexpr int kUdpContacts = 1000;

class QuietHost : public HamlogHost
{
public:
    void setStatusText(const QString&) override {}
    void setLastCallSign(const QString&) override {}
};

QString adifField(const char* tag, const QString& value)
{
    return QStringLiteral("<%1:%2>%3 ").arg(QLatin1String(tag)).arg(value.size()).arg(value);
}

QString wsjtLine(int i)
{
    static const char* const prefixes[] = {"JA1", "JH2", "7K3", "K1", "W2", "DL5", "VK3", "PY2", "QQ9"};
    const QString call =
        QLatin1String(prefixes[i % 9]) + QString::number(i % 1000).rightJustified(3, '0') + "X";
    return adifField("call", call) + adifField("gridsquare", QStringLiteral("PM95")) +
           adifField("mode", QStringLiteral("FT8")) + adifField("rst_sent", QStringLiteral("-10")) +
           adifField("rst_rcvd", QStringLiteral("-12")) + adifField("qso_date", QStringLiteral("20240315")) +
           adifField("time_on", QStringLiteral("%1").arg(i % 240000, 6, 10, QLatin1Char('0'))) +
           adifField("qso_date_off", QStringLiteral("20240315")) +
           adifField("time_off", QStringLiteral("123500")) + adifField("band", QStringLiteral("20m")) +
           adifField("freq", QStringLiteral("14.074150")) +
           adifField("station_callsign", QStringLiteral("JA1ZZZ")) +
           adifField("my_gridsquare", QStringLiteral("PM95aa")) + adifField("tx_pwr", QStringLiteral("50")) +
           adifField("comment", QStringLiteral("FT8  Sent: -10  Rcvd: -12")) +
           adifField("name", QStringLiteral("Taro")) + QStringLiteral("<eor>");
}

// One row per transaction, the connection opened and closed each time: what the disk allows a
// single committed contact at best.
std::vector<double> bareSingleCommitsMs(const QString& path, const std::vector<HamlogRecord>& rows, int count)
{
    {
        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_exec(db, "CREATE TABLE r(call TEXT, freq TEXT, mode TEXT)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    std::vector<double> latencies;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db, "INSERT INTO r VALUES(?,?,?)", -1, &stmt, nullptr);
        const HamlogRecord& row = rows[size_t(i) % rows.size()];
        for (int c = 0; c < 3; ++c) {
            const QString& t = row[c == 0 ? 1 : c == 1 ? 6 : 7];
            sqlite3_bind_text16(stmt, c + 1, t.utf16(), int(t.size()) * 2, SQLITE_TRANSIENT);
        }
        sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        latencies.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(latencies.begin(), latencies.end());
    return latencies;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    SilentPrompts prompts;
    ProgramData data;
    bench::loadBenchData(dir.path(), prompts, data);
    Settings& settings = data.settings;
    const CountryTable& countries = data.countryTable;
    const DxccTable& dxcc = data.dxccTable;

    QStringList lines;
    for (int i = 0; i < kImportRecords; ++i)
        lines << wsjtLine(i);
    std::vector<HamlogRecord> rows;
    rows.reserve(kImportRecords);
    for (const QString& line : lines) {
        HamlogRecord record;
        QString error;
        ConvertContact(line, ContactSource::Import, BuildQslText(settings), settings, countries, dxcc, record,
                       error);
        rows.push_back(record);
    }

    QuietHost host;
    double bestImport = 1e300, bestBare = 1e300;
    int stored = 0;
    for (int round = 0; round < 3; ++round) {
        settings.ThDbFile = dir.filePath(QStringLiteral("import%1.db").arg(round));
        BuiltinStore store;
        HamlogTransfer transfer(settings, countries, dxcc, store, prompts, host);
        ClearAdifTransferList();
        for (const QString& line : lines)
            AddAdifTransferRecord(line);
        QElapsedTimer timer;
        timer.start();
        transfer.ThDbFileAppend();
        bestImport = std::min(bestImport, timer.nsecsElapsed() / 1e6);
        QList<StoredRecord> check;
        QString error;
        BuiltinStore::ReadRecords(settings.ThDbFile, check, error);
        stored = int(check.size());
        bestBare =
            std::min(bestBare, bareInsertMs(dir.filePath(QStringLiteral("bare%1.db").arg(round)), rows));
    }
    std::printf("import of %d records via ThDbFileAppend: %.1f ms (%.0f records/s), %d stored\n",
                kImportRecords, bestImport, kImportRecords / bestImport * 1000, stored);
    std::printf("bare SQLite insert of the same rows:      %.1f ms (%.0f records/s)\n", bestBare,
                kImportRecords / bestBare * 1000);
    std::printf("import speed / bare insert speed: %.2f (target >= 0.50)\n", bestBare / bestImport);
    printBenchResult(QStringLiteral("Store: import %1 records").arg(kImportRecords),
                     benchValue(kImportRecords / bestImport * 1000, "records/s", 0),
                     benchValue(kImportRecords / bestBare * 1000, "records/s", 0) +
                         QStringLiteral(" (bare insert)"),
                     QString::number(bestBare / bestImport, 'f', 2), QStringLiteral(">= 0.50 of baseline"),
                     bestBare / bestImport >= 0.5 && stored == kImportRecords);

    settings.ThDbFile = dir.filePath(QStringLiteral("udp.db"));
    BuiltinStore store;
    HamlogTransfer transfer(settings, countries, dxcc, store, prompts, host);
    std::vector<double> latencies;
    latencies.reserve(kUdpContacts);
    for (int i = 0; i < kUdpContacts; ++i) {
        const QString text = lines.at(i);
        QElapsedTimer timer;
        timer.start();
        transfer.ThLogDbAppend(text);
        latencies.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(latencies.begin(), latencies.end());
    const std::vector<double> bare =
        bareSingleCommitsMs(dir.filePath(QStringLiteral("single.db")), rows, kUdpContacts);
    auto at = [](const std::vector<double>& v, double q) {
        return v[std::min(v.size() - 1, size_t(q * v.size()))];
    };
    std::printf("%d ThLogDbAppend in a row (each committed): p50 %.2f ms, p99 %.2f ms, max %.2f ms "
                "(target p99 < 20 ms)\n",
                kUdpContacts, at(latencies, 0.50), at(latencies, 0.99), latencies.back());
    std::printf("bare one-row commits, open to close:       p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                at(bare, 0.50), at(bare, 0.99), bare.back());
    std::printf("single append p99 / bare commit p99: %.2f\n", at(latencies, 0.99) / at(bare, 0.99));
    printBenchResult(QStringLiteral("Store: single contact append, p99"),
                     benchValue(at(latencies, 0.99), "ms", 2),
                     benchValue(at(bare, 0.99), "ms", 2) + QStringLiteral(" (bare commit)"),
                     QString::number(at(latencies, 0.99) / at(bare, 0.99), 'f', 2) + QLatin1Char('x'),
                     QStringLiteral("p99 < 20 ms"), at(latencies, 0.99) < 20);
    return stored == kImportRecords ? 0 : 1;
}
