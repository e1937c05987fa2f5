// Runs "velkor-cli import" as a script would and checks what it prints, its exit status and what
// reaches the store.

#include "hamlog/builtin_store.h"
#include "support/run_tool.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QtTest>

namespace {

ToolRun import(const QStringList& args)
{
    return RunTool(QStringLiteral("velkor-cli"), QStringList{QStringLiteral("import")} + args);
}

} // namespace

class TestImportCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#ifdef Q_OS_WIN
        QSKIP("velkor-cli import appends through HAMLOG's libraries on Windows; these cases look "
              "into the built-in store");
#endif
    }

    // Catches a range that transfers other records than asked, a failure reported as success,
    // records doubled by a second run, a file read as nothing, or missing counts.
    void rangeCountsAndFailures()
    {
        TempProgramFolder folder;
        const QString db = folder.filePath(QStringLiteral("log.sqlite"));
        folder.write(QStringLiteral("VELKOR.ini"), "ThDbFile=" + db.toUtf8() + "\r\n");
        const QString sample = QStringLiteral(VELKOR_TEST_DATA "/adif_import/two_lines_per_record.adi");
        const QStringList dir{QStringLiteral("--dir"), folder.path()};

        ToolRun r = import(QStringList{sample, QStringLiteral("--first"), QStringLiteral("2"),
                                       QStringLiteral("--last"), QStringLiteral("3")} +
                           dir);
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.startsWith(QStringLiteral("TURBO HAMLOG データベースに転送しました (追加 2 件、スキップ 0 件)\n")),
                 qPrintable(r.out));
        QVERIFY(r.out.contains(QStringLiteral("appended: 2\n")));
        QList<StoredRecord> records;
        QString error;
        QVERIFY2(BuiltinStore::ReadRecords(db, records, error), qPrintable(error));
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0].fields[1], QStringLiteral("K1ABC"));
        QCOMPARE(records[1].fields[7], QStringLiteral("FT8")); // its second line came along
        QCOMPARE(records[1].fields[9], QStringLiteral("JO62"));

        const QString missing = folder.filePath(QStringLiteral("missing.adi"));
        r = import(QStringList{missing} + dir);
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QStringLiteral("ADIF ファイルを読み込めません")));
        QVERIFY(r.err.contains(QDir::toNativeSeparators(missing)));

        folder.write(QStringLiteral("other.ini"),
                     "ThDbFile=" + folder.filePath(QStringLiteral("VELKOR.ini")).toUtf8());
        r = import(
            QStringList{sample, QStringLiteral("--settings"), folder.filePath(QStringLiteral("other.ini"))} +
            dir);
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QStringLiteral("データベースがオープンできません")));
        QVERIFY(r.out.contains(QStringLiteral("appended: 0")));

        // The same records again are left out and counted, unless asked for with --again.
        r = import(QStringList{sample} + dir);
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(QStringLiteral("appended: 1\nskipped, transferred before: 2")),
                 qPrintable(r.out));
        r = import(
            QStringList{sample, QStringLiteral("--last"), QStringLiteral("2"), QStringLiteral("--again")} +
            dir);
        QVERIFY(r.out.contains(QStringLiteral("appended: 2\n")) &&
                !r.out.contains(QStringLiteral("skipped")));
        QVERIFY(BuiltinStore::ReadRecords(db, records, error));
        QCOMPARE(records.size(), 5);

        // UTF-16 without a byte-order mark is read; a file that is no ADIF text fails.
        QByteArray utf16;
        for (const QChar c : QStringLiteral("<eoh>\r\n<call:4>W9XY <qso_date:8>20240316 <eor>\r\n"))
            utf16 += char(c.unicode()) + QByteArray(1, '\0');
        folder.write(QStringLiteral("utf16.adi"), utf16);
        r = import(QStringList{folder.filePath(QStringLiteral("utf16.adi"))} + dir);
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QStringLiteral("appended: 1\n")));
        folder.write(QStringLiteral("tool.exe"), QByteArray("MZ\x90\0\x03\0\x01\x02<call:4>W1AW <eor>", 26));
        r = import(QStringList{folder.filePath(QStringLiteral("tool.exe"))} + dir);
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QStringLiteral("ADIF ファイルではありません")));

        QCOMPARE(import(QStringList{sample, QStringLiteral("--first"), QStringLiteral("x")}).status, 2);
        QCOMPARE(import({}).status, 2);
    }
};

QTEST_GUILESS_MAIN(TestImportCli)
#include "tst_import_cli.moc"
