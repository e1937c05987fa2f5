#include "hamlog/transfer_journal.h"

#include "common/program_folder.h"
#include "hamlog/hamlog_conversion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace TransferJournal {

namespace {

QString field(const QString& text, const char* name)
{
    const AdifField f = ReadAdifField(text, QLatin1String(name));
    return f.status == AdifField::Found ? f.value.trimmed() : QString();
}

// One database, however its path was typed.
QString databaseKey(const QString& database)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(database.trimmed()));
}

QString line(const QString& database, const QString& key)
{
    return databaseKey(database) + QLatin1Char('\t') + key;
}

} // namespace

QString Path()
{
    return ProgramFolder::filePath(QStringLiteral("Log/Transferred.txt"));
}

QString ContactKey(const QString& contactText)
{
    const QString call = field(contactText, "CALL").toUpper();
    if (call.isEmpty())
        return QString();
    QString band = field(contactText, "BAND").toLower();
    if (band.isEmpty())
        band = CutImportFrequency(field(contactText, "FREQ"));
    QString mode = field(contactText, "SUBMODE");
    if (mode.isEmpty())
        mode = field(contactText, "MODE");
    return QStringList{call, field(contactText, "QSO_DATE"), field(contactText, "TIME_ON").left(4), band,
                       mode.toUpper()}
        .join(QLatin1Char(' '));
}

QVector<bool> TransferredAlready(const QString& database, const QStringList& records)
{
    QVector<bool> done(records.size(), false);
    QFile file(Path());
    if (!file.open(QIODevice::ReadOnly))
        return done;
    const QString prefix = databaseKey(database) + QLatin1Char('\t');
    QSet<QString> known;
    while (!file.atEnd()) {
        const QString entry = QString::fromUtf8(file.readLine()).trimmed();
        if (entry.startsWith(prefix))
            known.insert(entry.mid(prefix.size()));
    }
    for (int i = 0; i < records.size(); ++i) {
        const QString key = ContactKey(records.at(i));
        done[i] = !key.isEmpty() && known.contains(key);
    }
    return done;
}

bool Add(const QString& database, const QStringList& contactTexts)
{
    QByteArray bytes;
    for (const QString& contact : contactTexts) {
        const QString key = ContactKey(contact);
        if (!key.isEmpty())
            bytes += line(database, key).toUtf8() + '\n';
    }
    if (bytes.isEmpty())
        return true;
    const QString path = Path();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    return file.write(bytes) == bytes.size() && file.flush();
}

} // namespace TransferJournal
