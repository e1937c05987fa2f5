#include "delivery/transfer_journal.h"

#include "common/program_folder.h"
#include "common/regular_file.h"
#include "platform/durable_file.h"
#include "adif/adif_fields.h"
#include "hamlog/hamlog_transfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <memory>

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

QString UnreadableText(const QString& reason)
{
    return QStringLiteral("転送済みの記録 %1 を読めません (%2)。どの交信が転送済みか分からないため、"
                          "転送すると同じ交信が二重になることがあります")
        .arg(QDir::toNativeSeparators(Path()), reason);
}

QVector<bool> TransferredAlready(const QString& database, const QStringList& records, QString* unreadable)
{
    QVector<bool> done(records.size(), false);
    if (unreadable)
        unreadable->clear();
    const QString path = Path();
    const QString irregular = RegularFile::problem(path);
    if (!irregular.isEmpty()) {
        // A named pipe would never answer the read.
        if (unreadable)
            *unreadable = UnreadableText(irregular);
        return done;
    }
    QFile file(path);
    if (!file.exists())
        return done;
    if (!file.open(QIODevice::ReadOnly)) {
        if (unreadable)
            *unreadable = UnreadableText(file.errorString());
        return done;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (unreadable)
            *unreadable = UnreadableText(file.errorString());
        return done;
    }
    // Each line stands alone: a damaged one is skipped, the others still count.
    const QByteArray prefix = (databaseKey(database) + QLatin1Char('\t')).toUtf8();
    QSet<QString> known;
    for (const QByteArray& entry : bytes.split('\n')) {
        if (entry.startsWith(prefix))
            known.insert(QString::fromUtf8(entry.mid(prefix.size())).trimmed());
    }
    for (int i = 0; i < records.size(); ++i) {
        const QString key = IdentityOf(records.at(i)).key();
        done[i] = !key.isEmpty() && known.contains(key);
    }
    return done;
}

bool Add(const QString& database, const QStringList& contactTexts, QString* failure)
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
    // Only a regular file is written, without waiting for a reader of a named pipe; a write that
    // fails half-way is cut back, so that no half line joins the next one.
    if (DurableFile::append(QDir::toNativeSeparators(path).toUtf8().toStdString(), std::string(),
                            bytes.toStdString()))
        return true;
    if (failure) {
        const QString irregular = RegularFile::problem(path);
        *failure = QStringLiteral("転送済みの記録 %1 に書き込めません%2。書き込めるようになったら記録します")
                       .arg(QDir::toNativeSeparators(path),
                            irregular.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(irregular));
    }
    return false;
}

void Keep(HamlogTransfer& transfer, const std::function<void(const QString&)>& report)
{
    // What could not be noted waits here and goes with the next note that can be written.
    struct Unwritten
    {
        QList<QPair<QString, QStringList>> notes;
    };
    auto unwritten = std::make_shared<Unwritten>();
    QObject::connect(&transfer, &HamlogTransfer::recordsAppended, &transfer,
                     [unwritten, report](const QString& database, const QStringList& contacts) {
                         const bool wasBehind = !unwritten->notes.isEmpty();
                         unwritten->notes.append({database, contacts});
                         QString failure;
                         while (!unwritten->notes.isEmpty()) {
                             const auto& note = unwritten->notes.first();
                             if (!Add(note.first, note.second, &failure))
                                 break;
                             unwritten->notes.removeFirst();
                         }
                         // Once for each time it stops taking notes.
                         if (!unwritten->notes.isEmpty() && !wasBehind && report)
                             report(failure);
                     });
}

int AddMissing(const QString& database, const QStringList& contactTexts, QString* failure)
{
    QString unreadable;
    const QVector<bool> known = TransferredAlready(database, contactTexts, &unreadable);
    if (!unreadable.isEmpty()) {
        if (failure)
            *failure = unreadable;
        return -1;
    }
    QStringList missing;
    for (int i = 0; i < contactTexts.size(); ++i) {
        if (!known.at(i))
            missing << contactTexts.at(i);
    }
    if (missing.isEmpty())
        return 0;
    return Add(database, missing, failure) ? int(missing.size()) : -1;
}

} // namespace TransferJournal
