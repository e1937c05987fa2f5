#include "hamlog/contact_delivery.h"

#include "common/prompts.h"
#include "hamlog/hamlog_conversion.h"
#include "hamlog/hamlog_library.h"

#include <QDateTime>

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
    m_transfer.setObserver(this);
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
    m_transfer.setObserver(nullptr);
}

QString ContactDelivery::RefusalReason(const QString& contactText)
{
    const AdifField call = ReadAdifField(contactText, QStringLiteral("CALL"));
    if (call.status == AdifField::Failed)
        return call.error;
    if (call.status == AdifField::Absent)
        return QStringLiteral("CALL がありません");
    const QString value = call.value.trimmed();
    if (value.isEmpty())
        return QStringLiteral("コールサインが空です");
    for (const QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("コールサインに制御文字 (0x%1) があります")
                .arg(c.unicode(), 2, 16, QLatin1Char('0'))
                .toUpper()
                .replace(QLatin1String("0X"), QLatin1String("0x"));
        if (c == QLatin1Char('<') || c == QLatin1Char('>'))
            return QStringLiteral("コールサインに「%1」があります").arg(c);
    }
    if (value.size() > kMaxCallLength)
        return QStringLiteral("コールサインが長すぎます (%1 文字)").arg(value.size());
    for (const QChar c : value) {
        const ushort u = c.unicode();
        const bool usable = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '/';
        if (!usable)
            return QStringLiteral("コールサインに使えない文字「%1」があります").arg(c);
    }
    return QString();
}

QList<qint64> ContactDelivery::take(const QStringList& contacts, qint16 source)
{
    QList<qint64> ids;
    const qint64 now = m_clock();
    for (const QString& contact : contacts) {
        const QString reason = RefusalReason(contact);
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
    const Outbox::Entry* entry = m_outbox.entry(id);
    return entry && entry->state == Outbox::State::Refused;
}

QString ContactDelivery::reasonOf(qint64 id) const
{
    const Outbox::Entry* entry = m_outbox.entry(id);
    return entry ? entry->reason : QString();
}

HamlogTransfer::AppendRequest ContactDelivery::deliver(const std::vector<HamlogTransfer::UdpEntry>& entries)
{
    return m_transfer.ThLogDbAppend(entries);
}

QStringList ContactDelivery::unloggedTexts() const
{
    QStringList texts;
    for (const Outbox::Entry* e : m_outbox.entries({Outbox::State::Waiting}))
        texts << e->text;
    return texts;
}

QString ContactDelivery::uncertainAppendQuestion(const Outbox::Entry& entry)
{
    const AdifField call = ReadAdifField(entry.text, QStringLiteral("CALL"));
    return QStringLiteral("前回 VELKOR が終わったとき、次の交信を TURBO HAMLOG データベースに追加している"
                          "途中でした。追加されたかどうかは分かりません。\n\n%1 (%2 受信)\n\n"
                          "もう一度追加しますか？\nOK: もう一度追加する　キャンセル: 追加しない"
                          "（TURBO HAMLOG で確かめてください）")
        .arg(call.value.trimmed().toUpper(),
             QDateTime::fromMSecsSinceEpoch(entry.arrivedMs).toString(QStringLiteral("yyyy/MM/dd H:mm:ss")));
}

void ContactDelivery::resume(Prompts& ask)
{
    if (!m_library.remembersAppends()) {
        for (const Outbox::Entry* entry : m_outbox.entries({Outbox::State::Started})) {
            const qint64 id = entry->id;
            if (ask.askOkCancel(uncertainAppendQuestion(*entry)))
                mark(id, Outbox::State::Waiting, QString(), true);
            else
                mark(id, Outbox::State::Removed, QStringLiteral("追加しないことが選ばれました"), true);
        }
    }
    retryWaiting();
}

void ContactDelivery::retryWaiting()
{
    std::vector<const Outbox::Entry*> entries;
    // An entry started with HAMLOG's libraries waits for the user's word at the next start.
    const bool startedToo = m_library.remembersAppends();
    for (const Outbox::Entry* e :
         m_outbox.entries({Outbox::State::Waiting, Outbox::State::Failed, Outbox::State::Started})) {
        if ((e->state != Outbox::State::Started || startedToo) && !m_onTheirWay.count(e->id))
            entries.push_back(e);
    }
    handOver(entries);
}

void ContactDelivery::retry(const QList<qint64>& ids)
{
    std::vector<const Outbox::Entry*> entries;
    for (qint64 id : ids) {
        const Outbox::Entry* e = m_outbox.entry(id);
        // Junk stays junk however often it is tried; a contact refused by its conversion may go
        // in once the settings or tables that refused it have changed.
        if (e && e->state != Outbox::State::Appended && e->state != Outbox::State::Removed &&
            (e->state != Outbox::State::Started || m_library.remembersAppends()) && !m_onTheirWay.count(id) &&
            RefusalReason(e->text).isEmpty())
            entries.push_back(e);
    }
    std::sort(entries.begin(), entries.end(),
              [](const Outbox::Entry* a, const Outbox::Entry* b) { return a->id < b->id; });
    handOver(entries);
}

void ContactDelivery::handOver(const std::vector<const Outbox::Entry*>& entries)
{
    if (entries.empty())
        return;
    std::vector<HamlogTransfer::UdpEntry> batch;
    batch.reserve(entries.size());
    for (const Outbox::Entry* e : entries) {
        batch.push_back({e->id, e->text});
        m_onTheirWay.insert(e->id);
    }
    m_transfer.appendEntries(batch);
}

void ContactDelivery::remove(const QList<qint64>& ids)
{
    for (qint64 id : ids) {
        const Outbox::Entry* e = m_outbox.entry(id);
        if (e && e->state != Outbox::State::Appended && !m_onTheirWay.count(id))
            mark(id, Outbox::State::Removed, QStringLiteral("利用者が削除しました"), true);
    }
}

void ContactDelivery::appendStarting(qint64 entryId)
{
    // The one mark that must be on the disk before the append: HAMLOG's libraries cannot be asked
    // afterwards whether it happened.
    if (!m_library.remembersAppends())
        mark(entryId, Outbox::State::Started, QString(), true);
}

void ContactDelivery::appendDone(qint64 entryId)
{
    m_onTheirWay.erase(entryId);
    // The built-in store knows the entry itself; a lost mark costs nothing there.
    mark(entryId, Outbox::State::Appended, QString(), !m_library.remembersAppends());
    // The database takes contacts again: whatever waits follows, once the running append is over.
    if (waitingCount() > 0 && !m_retrySoon.isActive())
        m_retrySoon.start();
}

void ContactDelivery::appendFailed(qint64 entryId, const QString& reason, bool refused, bool uncertain)
{
    m_onTheirWay.erase(entryId);
    if (refused)
        mark(entryId, Outbox::State::Refused, reason, true);
    else if (uncertain && !m_library.remembersAppends())
        mark(entryId, Outbox::State::Started, reason, true); // the user decides at the next start
    else
        mark(entryId, Outbox::State::Failed, reason, false); // waiting was on the disk already
}

void ContactDelivery::mark(qint64 id, Outbox::State state, const QString& reason, bool durable)
{
    const Outbox::Entry* entry = m_outbox.entry(id);
    if (!entry)
        return;
    const bool wasWaiting = isWaiting(entry->state);
    const bool wasRefused = entry->state == Outbox::State::Refused;
    if (!m_outbox.setState(id, state, reason, m_clock(), durable)) {
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
