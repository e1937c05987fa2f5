// velkor-cli logbook: shows, counts and exports the records of a built-in HAMLOG store. It only
// reads; the store is opened read-only.
#include "cli.h"

#include "hamlog/builtin_store.h"

#include <QDate>
#include <QRegularExpression>

namespace {

const int kStoredIndexes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16};

QStringList columnNames()
{
    QStringList names;
    for (int i : kStoredIndexes)
        names << BuiltinStore::FieldColumn(i);
    names << QStringLiteral("appended_at");
    return names;
}

QStringList columnValues(const StoredRecord& record)
{
    QStringList values;
    for (int i : kStoredIndexes)
        values << record.fields[size_t(i)];
    values << record.appendedAt;
    return values;
}

QString csvField(const QString& value)
{
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) &&
        !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString adifField(const QString& tag, const QString& value)
{
    if (value.isEmpty())
        return QString();
    return QStringLiteral("<%1:%2>%3 ").arg(tag).arg(value.size()).arg(value);
}

// "24/03/15" back to "20240315": two-digit years up to this year's are this century's.
QString adifDate(const QString& hamlogDate)
{
    static const QRegularExpression form(QStringLiteral("^(\\d\\d)/(\\d\\d)/(\\d\\d)$"));
    const QRegularExpressionMatch m = form.match(hamlogDate);
    if (!m.hasMatch())
        return QString();
    const int yy = m.captured(1).toInt();
    const int century = yy <= QDate::currentDate().year() % 100 ? 2000 : 1900;
    return QString::number(century + yy) + m.captured(2) + m.captured(3);
}

QString adifTime(const QString& hamlogTime)
{
    static const QRegularExpression form(QStringLiteral("^(\\d\\d):(\\d\\d)$"));
    const QRegularExpressionMatch m = form.match(hamlogTime);
    return m.hasMatch() ? m.captured(1) + m.captured(2) : QString();
}

QString adifRecord(const StoredRecord& r)
{
    QString freq = r.fields[6];
    if (freq.startsWith(QLatin1Char('.')))
        freq.prepend(QLatin1Char('0'));
    QString line = adifField(QStringLiteral("CALL"), r.fields[1]) +
                   adifField(QStringLiteral("QSO_DATE"), adifDate(r.fields[2])) +
                   adifField(QStringLiteral("TIME_ON"), adifTime(r.fields[3])) +
                   adifField(QStringLiteral("RST_SENT"), r.fields[4]) +
                   adifField(QStringLiteral("RST_RCVD"), r.fields[5]) +
                   adifField(QStringLiteral("FREQ"), freq) + adifField(QStringLiteral("MODE"), r.fields[7]) +
                   adifField(QStringLiteral("GRIDSQUARE"), r.fields[9]) +
                   adifField(QStringLiteral("NAME"), r.fields[11]) +
                   adifField(QStringLiteral("APP_VELKOR_DXCC_A"), r.fields[8]) +
                   adifField(QStringLiteral("APP_VELKOR_QSL"), r.fields[10]) +
                   adifField(QStringLiteral("APP_VELKOR_DXCC_B"), r.fields[12]) +
                   adifField(QStringLiteral("APP_VELKOR_REMARKS1"), r.fields[13]) +
                   adifField(QStringLiteral("APP_VELKOR_REMARKS2"), r.fields[14]) +
                   adifField(QStringLiteral("APP_VELKOR_COUNTRY_FLAG"), r.fields[16]) +
                   adifField(QStringLiteral("APP_VELKOR_APPENDED"), r.appendedAt);
    return line + QStringLiteral("<EOR>");
}

int usage()
{
    cliErr() << "usage: velkor-cli logbook list|count|export --db PATH [--format adif|csv]\n";
    return kCliUsage;
}

int runLogbook(const QStringList& args)
{
    QString action, db, format = QStringLiteral("csv");
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--db") && i + 1 < args.size())
            db = args[++i];
        else if (a == QLatin1String("--format") && i + 1 < args.size())
            format = args[++i].toLower();
        else if (action.isEmpty() && !a.startsWith(QLatin1Char('-')))
            action = a;
        else
            return usage();
    }
    if (db.isEmpty() || (action != QLatin1String("list") && action != QLatin1String("count") &&
                         action != QLatin1String("export")))
        return usage();
    if (format != QLatin1String("csv") && format != QLatin1String("adif"))
        return usage();

    QList<StoredRecord> records;
    QString error;
    if (!BuiltinStore::ReadRecords(db, records, error)) {
        cliErr() << "velkor-cli logbook: " << error << "\n";
        return kCliNothing;
    }

    QTextStream& out = cliOut();
    if (action == QLatin1String("count")) {
        out << records.size() << "\n";
    } else if (action == QLatin1String("list")) {
        out << "#\t" << columnNames().join(QLatin1Char('\t')) << "\n";
        for (const StoredRecord& r : records) {
            QStringList values = columnValues(r);
            // One record per line: a comment may hold line breaks as well as tabs.
            for (QString& v : values) {
                for (const char c : {'\t', '\r', '\n'})
                    v.replace(QLatin1Char(c), QLatin1Char(' '));
            }
            out << r.id << "\t" << values.join(QLatin1Char('\t')) << "\n";
        }
    } else if (format == QLatin1String("csv")) {
        out << columnNames().join(QLatin1Char(',')) << "\r\n";
        for (const StoredRecord& r : records) {
            QStringList values = columnValues(r);
            for (QString& v : values)
                v = csvField(v);
            out << values.join(QLatin1Char(',')) << "\r\n";
        }
    } else {
        out << "VELKOR logbook export\r\n<ADIF_VER:5>3.1.4 <PROGRAMID:6>VELKOR <EOH>\r\n";
        for (const StoredRecord& r : records)
            out << adifRecord(r) << "\r\n";
    }
    return kCliOk;
}

const CliRegistration registration({QStringLiteral("logbook"),
                                    QStringLiteral("logbook list|count|export --db PATH [--format adif|csv]"),
                                    runLogbook});

} // namespace
