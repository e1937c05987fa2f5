// Pieces shared by the benchmarks that append into the built-in store: small reference tables
// and the bare SQLite insert they are measured against.
#pragma once

#include "delivery/program_data.h"
#include "common/prompts.h"
#include "hamlog/hamlog_conversion.h"
#include "platform/code_page.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <sqlite3.h>

#include <vector>

namespace bench {

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

inline void writeTables(const QString& dir)
{
    struct Entity
    {
        const char* name;
        const char* prefix;
        const char* entries;
        const char* dxcc;
    };
    const Entity entities[] = {
        {"Japan", "JA", "JA,JE,JF,JG,JH,JI,JJ,JK,JL,JM,JN,JO,JP,JQ,JR,JS,7J,7K,7L,7M,7N,8J;",
         "JA    JA    日本"},
        {"United States", "K", "AA,AB,AC,K,N,W;", "K     K     アメリカ合衆国"},
        {"Germany", "DL", "DA,DB,DC,DD,DL;", "DL    DL    ドイツ"},
        {"Australia", "VK", "AX,VH,VI,VJ,VK,VL,VM,VN,VZ;", "VK    VK    オーストラリア"},
        {"Brazil", "PY", "PP,PQ,PR,PS,PT,PU,PV,PW,PX,PY,ZV,ZW,ZX,ZY,ZZ;", "PY    PY    ブラジル"},
    };
    QByteArray cty, thdx;
    for (const Entity& e : entities) {
        cty +=
            (QByteArray(e.name) + ':').leftJustified(69, ' ') + e.prefix + ":\r\n    " + e.entries + "\r\n";
        thdx += CodePage::fromUnicode(QString::fromUtf8(e.dxcc)) + "\r\n";
    }
    writeFile(dir + "/Cty.dat", cty);
    writeFile(dir + "/TH_DX.dat", thdx);
}

inline // The same rows, converted beforehand, inserted with nothing else around them.
    double
    bareInsertMs(const QString& path, const std::vector<HamlogRecord>& rows)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(
        db,
        "CREATE TABLE r(call TEXT, qso_date TEXT, time_on TEXT, rst_sent TEXT, rst_rcvd TEXT, freq TEXT,"
        " mode TEXT, dxcc_a TEXT, grid TEXT, qsl TEXT, name TEXT, dxcc_b TEXT, remarks1 TEXT,"
        " remarks2 TEXT, country_flag TEXT, appended_at TEXT); BEGIN",
        nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO r VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &stmt, nullptr);
    const int indexes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16};
    for (const HamlogRecord& row : rows) {
        int p = 1;
        for (int i : indexes) {
            const QString& t = row[i];
            sqlite3_bind_text16(stmt, p++, t.isEmpty() ? static_cast<const void*>("") : t.utf16(),
                                int(t.size()) * 2, SQLITE_TRANSIENT);
        }
        sqlite3_bind_text(stmt, p, "2024-03-15T12:34:56.000Z", -1, SQLITE_STATIC);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return timer.nsecsElapsed() / 1e6;
}

// The small tables written into dir and loaded, with the settings both store benchmarks convert
// with (QSL sent mark, comment and power into the remarks).
inline void loadBenchData(const QString& dir, Prompts& prompts, ProgramData& data)
{
    writeTables(dir);
    data.countryTable.LoadCountryFile(dir + QStringLiteral("/Cty.dat"), prompts);
    data.dxccTable.LoadDxccFile(dir + QStringLiteral("/TH_DX.dat"), prompts);
    data.settings.QslSent = 1;
    data.settings.SentMrk = QStringLiteral("*");
    data.settings.Com2Rmk1 = 1;
    data.settings.Pwr2Rmk2 = 1;
}

} // namespace bench
