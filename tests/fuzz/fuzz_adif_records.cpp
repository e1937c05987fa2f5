// Loads an ADIF import file of arbitrary bytes and checks the records it finds (or that it is
// refused with a reason): each is a piece
// of the file's text, in file order, never two overlapping, holds the "CALL:" that makes it a
// record and at most one end-of-record tag (two records never run together); every "CALL:" after
// the header is in a record; and the progress reports only move forward. The chosen range then fills the
// transfer list in order.

#include "fuzz_support.h"

#include "adif/adif_records.h"
#include "hamlog/hamlog_data.h"

#include <QPair>
#include <QStringList>
#include <QVector>

namespace {

int countOf(const QString& record, QLatin1String tag)
{
    return int(record.count(tag, Qt::CaseInsensitive));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = Fuzz::bytesOf(data, size);
    const QString path = Fuzz::scratchFile(QStringLiteral("import.adi"), bytes);

    qint64 lastDone = 0;
    int lastRecords = 0;
    bool finished = false;
    const auto progress = [&](qint64 done, qint64 total, int records) {
        FUZZ_CHECK(done >= lastDone && done <= total && records >= lastRecords,
                   QStringLiteral("%1/%2, %3 records").arg(done).arg(total).arg(records));
        lastDone = done;
        lastRecords = records;
        finished = done == total;
    };
    QStringList records;
    QString error;
    if (!AdifRecords::LoadAdifFile(path, records, error, progress)) {
        // A file that is not ADIF text (binary, or without a single tag) is refused, with its
        // reason and without records.
        FUZZ_CHECK(!error.isEmpty() && records.isEmpty(), error);
        return 0;
    }
    FUZZ_CHECK(finished && lastRecords == records.size(), QStringLiteral("progress never finished"));

    // The text the loader read the records from (UTF-16 recognised, runs of zero bytes as line ends).
    QString text;
    QString reason;
    FUZZ_CHECK(AdifRecords::readText(bytes, text, reason), reason);
    // Records start after the header, which may hold copies of them.
    const int eoh = int(text.indexOf(QLatin1String("<eoh>"), 0, Qt::CaseInsensitive));
    QVector<QPair<int, int>> spans;
    int from = eoh < 0 ? 0 : eoh + 5;
    for (const QString& record : records) {
        FUZZ_CHECK(record.contains(QLatin1String("CALL:"), Qt::CaseInsensitive), record);
        FUZZ_CHECK(countOf(record, QLatin1String("<eor>")) <= 1, record);
        const int at = int(text.indexOf(record, from));
        FUZZ_CHECK(at >= 0, QStringLiteral("not a piece of the file, or out of order: ") + record);
        from = at + int(record.size());
        spans.append(qMakePair(at, from));

        const QString shown = AdifRecords::displayText(record);
        FUZZ_CHECK(shown.size() <= record.size() && !shown.contains(QLatin1Char('\r')) &&
                       !shown.contains(QLatin1Char('\n')) && !shown.contains(QLatin1Char('\t')),
                   shown);
    }

    // No contact is lost: every "CALL:" after the header lies inside a record.
    for (int at = int(text.indexOf(QLatin1String("CALL:"), eoh < 0 ? 0 : eoh + 5, Qt::CaseInsensitive));
         at >= 0; at = int(text.indexOf(QLatin1String("CALL:"), at + 1, Qt::CaseInsensitive))) {
        bool inside = false;
        for (const auto& span : spans)
            inside = inside || (span.first <= at && at + 5 <= span.second);
        FUZZ_CHECK(inside, QStringLiteral("CALL: at %1 is in no record").arg(at));
    }

    // A range from the second record to one past the last: the list holds those in order.
    FillAdifTransferList(records, 2, int(records.size()) + 1);
    const int expected = qMax(0, int(records.size()) - 1);
    FUZZ_CHECK(AdifTransferCount == expected && AdifTransferList.size() == expected + 1,
               QString::number(AdifTransferCount));
    for (int i = 1; i <= expected; ++i)
        FUZZ_CHECK(AdifTransferList.at(i) == records.at(i), QString::number(i));
    return 0;
}
