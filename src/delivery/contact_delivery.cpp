#include "delivery/contact_delivery.h"

#include "common/prompts.h"
#include "adif/adif_fields.h"
#include "delivery/adif_log.h"
#include "hamlog/hamlog_library.h"

#include <QDateTime>
#include <QDir>

#include <algorithm>

namespace {

bool isWaiting(Outbox::State state)
{
    return state == Outbox::State::Waiting || state == Outbox::State::Failed || state == Outbox::State::Started;
}

} // namespace

ContactDelivery::ContactDelivery(Outbox& outbox, HamlogTransfer& transfer, HamlogLibrary& library, QObject* parent)
    : QObject(parent), m_outbox(outbox), m_transfer(transfer), m_library(library),
      m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    m_transfer.setListener(this);
    m_transfer.setKeptNote(keptForRetryText());
    m_retryTimer.setInterval(kRetryIntervalMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &ContactDelivery::retryWaiting);
    m_retrySoon.setSingleShot(true);
    m_retrySoon.setInterval(0);
    connect(&m_retrySoon, &QTimer::timeout, this, &ContactDelivery::retryWaiting);
    m_notify.setSingleShot(true);
    m_notify.setInterval(0);
    connect(&m_notify, &QTimer::timeout, this, &ContactDelivery::countsChanged);
    recount();
}

ContactDelivery::~ContactDelivery()
{
    m_transfer.setListener(nullptr);
    m_transfer.setKeptNote(QString());
}

QList<qint64> ContactDelivery::take(const QStringList& contacts, qint16 source)
{
    QList<qint64> ids;
    const qint64 now = m_clock();
    for (const QString& contact : contacts) {
        const QString reason = CallSign::CheckContact(contact).reason;
        ids << m_outbox.add(contact, source, now, reason.isEmpty() ? Outbox::State::Waiting : Outbox::State::Refused,
                            reason);
    }
    if (contacts.isEmpty())
        return ids;
    if (!m_outbox.flush()) {
        // The contacts go on to the ADIF log and the database all the same; the outbox keeps them
        // in memory and writes them with its next write that succeeds.
        m_outboxError = m_outbox.lastError();
        emit outboxFailed(m_outboxError);
    } else {
        m_outboxError.clear();
    }
    for (qint64 id : ids) {
        if (id == 0)
            continue;
        if (isRefused(id)) {
            ++m_refused;
        } else {
            ++m_waiting;
            m_onTheirWay.insert(id);
        }
    }
    changed();
    return ids;
}

bool ContactDelivery::isRefused(qint64 id) const
{
    const std::optional<Outbox::Entry> entry = m_outbox.entry(id);
    return entry && entry->state == Outbox::State::Refused;
}

QString ContactDelivery::reasonOf(qint64 id) const
{
    const std::optional<Outbox::Entry> entry = m_outbox.entry(id);
    return entry ? entry->reason : QString();
}

HamlogTransfer::AppendRequest ContactDelivery::deliver(const std::vector<HamlogTransfer::Contact>& contacts)
{
    return m_transfer.ThLogDbAppend(contacts);
}

QStringList ContactDelivery::unloggedTexts() const
{
    QStringList texts;
    for (const Outbox::Entry& e : m_outbox.entries({Outbox::State::Waiting}))
        texts << e.text;
    return texts;
}

QString ContactDelivery::keptForRetryText()
{
    return QStringLiteral("この交信は失われません。未転送として保存してあり、あとで自動的に追加し直します。\n"
                          "「ファイル」→「未転送・受付拒否の交信...」で確かめられます。");
}

QString ContactDelivery::uncertainAppendQuestion(const Outbox::Entry& entry)
{
    const AdifField call = ReadAdifField(entry.text, QLatin1String("CALL"));
    return QStringLiteral("前回 VELKOR が終わったとき、次の交信を TURBO HAMLOG データベースに追加している"
                          "途中でした。追加されたかどうかは分かりません。\n\n%1 (%2 受信)\n\n"
                          "もう一度追加しますか？\nOK: もう一度追加する　キャンセル: 追加しない"
                          "（TURBO HAMLOG で確かめてください）")
        .arg(call.value.trimmed().toUpper(),
             QDateTime::fromMSecsSinceEpoch(entry.arrivedMs).toString(QStringLiteral("yyyy/MM/dd H:mm:ss")));
}

void ContactDelivery::resume(Prompts& ask)
{
    if (!m_library.keepsRecordKeys()) {
        for (const Outbox::Entry& entry : m_outbox.entries({Outbox::State::Started})) {
            if (ask.askOkCancel(uncertainAppendQuestion(entry)))
                mark(entry.id, Outbox::State::Waiting, QString(), Durability::Synced);
            else
                mark(entry.id, Outbox::State::Removed, QStringLiteral("追加しないことが選ばれました"),
                     Durability::Synced);
        }
    }
    retryWaiting();
}

void ContactDelivery::retryWaiting()
{
    std::vector<Outbox::Entry> entries;
    // An entry started with HAMLOG's libraries waits for the user's word at the next start.
    const bool startedToo = m_library.keepsRecordKeys();
    for (Outbox::Entry& e :
         m_outbox.entries({Outbox::State::Waiting, Outbox::State::Failed, Outbox::State::Started})) {
        if ((e.state != Outbox::State::Started || startedToo) && !m_onTheirWay.count(e.id))
            entries.push_back(std::move(e));
    }
    handOver(entries);
}

void ContactDelivery::retry(const QList<qint64>& ids)
{
    std::vector<Outbox::Entry> entries;
    for (qint64 id : ids) {
        const std::optional<Outbox::Entry> e = m_outbox.entry(id);
        // Junk stays junk however often it is tried; a contact refused by its conversion may go
        // in once the settings or tables that refused it have changed.
        if (e && e->state != Outbox::State::Appended && e->state != Outbox::State::Removed &&
            (e->state != Outbox::State::Started || m_library.keepsRecordKeys()) && !m_onTheirWay.count(id) &&
            CallSign::CheckContact(e->text).problem == CallSign::Problem::None)
            entries.push_back(*e);
    }
    std::sort(entries.begin(), entries.end(),
              [](const Outbox::Entry& a, const Outbox::Entry& b) { return a.id < b.id; });
    handOver(entries);
}

void ContactDelivery::handOver(const std::vector<Outbox::Entry>& entries)
{
    if (entries.empty())
        return;
    std::vector<HamlogTransfer::Contact> contacts;
    contacts.reserve(entries.size());
    for (const Outbox::Entry& e : entries) {
        contacts.push_back({e.id, e.text});
        m_onTheirWay.insert(e.id);
    }
    // Nobody waits on a retry: its contacts are reported as they go in.
    m_transfer.ThLogDbAppend(contacts, HamlogTransfer::Reporting::Later);
}

QString ContactDelivery::remove(const QList<qint64>& ids)
{
    QList<qint64> removable;
    QStringList texts;
    for (qint64 id : ids) {
        const std::optional<Outbox::Entry> e = m_outbox.entry(id);
        if (e && e->state != Outbox::State::Appended && e->state != Outbox::State::Removed &&
            !m_onTheirWay.count(id)) {
            removable << id;
            texts << e->text;
        }
    }
    if (removable.isEmpty())
        return QString();
    // A refused contact is in no other file: removing it must not be the end of it.
    const QString kept = RemovedLogPath();
    if (!AppendAdifLog(kept, texts.join(QStringLiteral("\r\n"))))
        return QStringLiteral("%1 に書き込めないため、交信を削除しませんでした").arg(QDir::toNativeSeparators(kept));
    for (qint64 id : removable)
        mark(id, Outbox::State::Removed, QStringLiteral("利用者が削除しました"), Durability::Synced);
    return QString();
}

void ContactDelivery::appendStarting(qint64 entryId)
{
    // The one mark that must be on the disk before the append: HAMLOG's libraries cannot be asked
    // afterwards whether it happened.
    if (!m_library.keepsRecordKeys())
        mark(entryId, Outbox::State::Started, QString(), Durability::Synced);
}

void ContactDelivery::appendDone(qint64 entryId)
{
    m_onTheirWay.erase(entryId);
    // The built-in store knows the entry itself; a lost mark costs nothing there.
    mark(entryId, Outbox::State::Appended, QString(),
         m_library.keepsRecordKeys() ? Durability::WithNextWrite : Durability::Synced);
    // The database takes contacts again: whatever waits follows, once the running append is over.
    if (waitingCount() > 0 && !m_retrySoon.isActive())
        m_retrySoon.start();
}

void ContactDelivery::appendFailed(qint64 entryId, const QString& reason, Failure failure)
{
    m_onTheirWay.erase(entryId);
    if (failure == Failure::Refused)
        mark(entryId, Outbox::State::Refused, reason, Durability::Synced);
    else if (failure == Failure::Uncertain && !m_library.keepsRecordKeys())
        mark(entryId, Outbox::State::Started, reason, Durability::Synced); // the user decides at the next start
    else
        mark(entryId, Outbox::State::Failed, reason, Durability::WithNextWrite); // waiting was on the disk already
}

void ContactDelivery::mark(qint64 id, Outbox::State state, const QString& reason, Durability durability)
{
    const std::optional<Outbox::Entry> entry = m_outbox.entry(id);
    if (!entry)
        return;
    const bool wasWaiting = isWaiting(entry->state);
    const bool wasRefused = entry->state == Outbox::State::Refused;
    if (!m_outbox.setState(id, state, reason, m_clock(), durability == Durability::Synced)) {
        m_outboxError = m_outbox.lastError();
        emit outboxFailed(m_outboxError);
    }
    m_waiting += int(isWaiting(state)) - int(wasWaiting);
    m_refused += int(state == Outbox::State::Refused) - int(wasRefused);
    changed();
}

void ContactDelivery::recount()
{
    m_waiting = m_outbox.count({Outbox::State::Waiting, Outbox::State::Failed, Outbox::State::Started});
    m_refused = m_outbox.count({Outbox::State::Refused});
    changed();
}

void ContactDelivery::changed()
{
    if (waitingCount() > 0 && !m_retryTimer.isActive())
        m_retryTimer.start();
    else if (m_waiting == 0)
        m_retryTimer.stop();
    if (!m_notify.isActive())
        m_notify.start();
}
