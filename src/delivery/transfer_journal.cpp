#include "delivery/transfer_journal.h"

#include "common/program_folder.h"
#include "adif/adif_fields.h"
#include "hamlog/hamlog_transfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace TransferJournal {

namespace {

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
        const QString key = IdentityOf(records.at(i)).key();
        done[i] = !key.isEmpty() && known.contains(key);
    }
    return done;
}

bool Add(const QString& database, const QStringList& contactTexts)
{
    QByteArray bytes;
    for (const QString& contact : contactTexts) {
        const QString key = IdentityOf(contact).key();
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

void Keep(HamlogTransfer& transfer)
{
    QObject::connect(&transfer, &HamlogTransfer::recordsAppended, &transfer,
                     [](const QString& database, const QStringList& contacts) { Add(database, contacts); });
}

} // namespace TransferJournal
