// The ADIF import of a year of FT8: a 50,000-record WSJT-X-shaped log file (UTF-8, some Japanese
// names) loaded as the import window loads it, then transferred whole into a new built-in store
// as the window's transfer does; the transfer against a bare SQLite insert of the same converted
// rows in one transaction, measured in the same run.
#include "adif/adif_records.h"
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

constexpr int kRecords = 50000;
constexpr int kRounds = 5; // best of: the figures of a busy machine vary from run to run

class QuietHost : public HamlogHost
{
public:
    void setStatusText(const QString& text) override { status = text; }
    void setLastCallSign(const QString&) override {}
    QString status;
};

QByteArray field(const char* tag, const QByteArray& value)
{
    return "<" + QByteArray(tag) + ":" + QByteArray::number(QString::fromUtf8(value).size()) + ">" + value +
           " ";
}

QByteArray logFile()
{
    static const char* const prefixes[] = {"JA1", "JH2", "7K3", "K1", "W2", "DL5", "VK3", "PY2", "JE6"};
    static const char* const names[] = {"Taro", "花子", "", "Bob", "Jürgen", "一郎", "", "Ana", ""};
    QByteArray bytes = "ADIF Export\n<adif_ver:5>3.1.1\n<created_timestamp:15>20241231 235959\n"
                       "<programid:6>WSJT-X\n<programversion:5>2.6.1\n<eoh>\n";
    bytes.reserve(kRecords * 330);
    for (int i = 0; i < kRecords; ++i) {
        const QByteArray call = prefixes[i % 9] + QByteArray::number(i % 1000).rightJustified(3, '0') + "X";
        const QByteArray time = QByteArray::number(i % 240000).rightJustified(6, '0');
        bytes += field("call", call) + field("gridsquare", "PM95") + field("mode", "FT8") +
                 field("rst_sent", "-10") + field("rst_rcvd", "-12") + field("qso_date", "20240315") +
                 field("time_on", time) + field("qso_date_off", "20240315") + field("time_off", time) +
                 field("band", "20m") + field("freq", "14.074150") + field("station_callsign", "JA1ZZZ") +
                 field("my_gridsquare", "PM95aa") + field("tx_pwr", "50") +
                 field("comment", "FT8  Sent: -10  Rcvd: -12");
        if (*names[i % 9])
            bytes += field("name", names[i % 9]);
        bytes += "<eor>\n";
    }
    return bytes;
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

    const QString path = dir.filePath(QStringLiteral("wsjtx_log.adi"));
    const QByteArray bytes = logFile();
    writeFile(path, bytes);

    double bestLoad = 1e300, bestRead = 1e300, bestTransfer = 1e300, bestBare = 1e300;
    int loaded = 0;
    int stored = 0;
    QString status;
    for (int round = 0; round < kRounds; ++round) {
        QStringList records;
        QString error;
        QElapsedTimer timer;
        timer.start();
        AdifRecords::LoadAdifFile(path, records, error);
        bestLoad = std::min(bestLoad, timer.nsecsElapsed() / 1e6);
        loaded = int(records.size());

        // The load's baseline: the same file read whole and decoded, nothing more.
        timer.restart();
        QFile raw(path);
        if (raw.open(QIODevice::ReadOnly)) {
            const QString text = QString::fromUtf8(raw.readAll());
            if (text.isEmpty())
                return 1;
        }
        bestRead = std::min(bestRead, timer.nsecsElapsed() / 1e6);

        settings.ThDbFile = dir.filePath(QStringLiteral("import%1.sqlite").arg(round));
        BuiltinStore store;
        QuietHost host;
        HamlogTransfer transfer(settings, countries, dxcc, store, prompts, host);
        timer.restart();
        FillAdifTransferList(records, 1, int(records.size()));
        transfer.ThDbFileAppend();
        bestTransfer = std::min(bestTransfer, timer.nsecsElapsed() / 1e6);
        status = host.status;
        QList<StoredRecord> check;
        BuiltinStore::ReadRecords(settings.ThDbFile, check, error);
        stored = int(check.size());

        // The bare insert gets the rows already converted: only the storing is compared.
        std::vector<HamlogRecord> rows;
        rows.reserve(size_t(records.size()));
        const QString qsl = BuildQslText(settings);
        for (const QString& line : records) {
            HamlogRecord record;
            ConvertContact(line, ContactSource::Import, qsl, settings, countries, dxcc, record, error);
            rows.push_back(record);
        }
        bestBare =
            std::min(bestBare, bareInsertMs(dir.filePath(QStringLiteral("bare%1.db").arg(round)), rows));
    }

    std::printf("file: %d records, %.1f MB\n", kRecords, bytes.size() / 1048576.0);
    std::printf("load (read, decode, find records): %.1f ms, %d records (target < 1000 ms)\n", bestLoad,
                loaded);
    std::printf("transfer via ThDbFileAppend:       %.1f ms (%.0f records/s), %d stored\n", bestTransfer,
                loaded / bestTransfer * 1000, stored);
    std::printf("bare SQLite insert of the same rows: %.1f ms (%.0f records/s)\n", bestBare,
                loaded / bestBare * 1000);
    std::printf("transfer speed / bare insert speed: %.2f (target >= 0.50)\n", bestBare / bestTransfer);
    std::printf("plain read and UTF-8 decode of the file: %.1f ms\n", bestRead);
    std::printf("status: %s\n", status.toUtf8().constData());

    const bool complete = loaded == kRecords && stored == kRecords;
    printBenchResult(QStringLiteral("ADIF import: load %1 records").arg(kRecords), benchValue(bestLoad, "ms"),
                     benchValue(bestRead, "ms") + QStringLiteral(" (plain read)"),
                     QString::number(bestLoad / bestRead, 'f', 1) + QLatin1Char('x'),
                     QStringLiteral("< 1000 ms"), bestLoad < 1000 && loaded == kRecords);
    printBenchResult(QStringLiteral("ADIF import: transfer %1 records").arg(kRecords),
                     benchValue(loaded / bestTransfer * 1000, "records/s", 0),
                     benchValue(loaded / bestBare * 1000, "records/s", 0) + QStringLiteral(" (bare insert)"),
                     QString::number(bestBare / bestTransfer, 'f', 2), QStringLiteral(">= 0.50 of baseline"),
                     bestBare / bestTransfer >= 0.5 && complete);
    return complete ? 0 : 1;
}
