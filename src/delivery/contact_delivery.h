#pragma once

#include "hamlog/hamlog_transfer.h"
#include "delivery/outbox.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <set>

class HamlogLibrary;
class Prompts;

// Takes the contacts of the intake into the outbox and from there into the HAMLOG database, and
// sees that none is lost on the way: a contact is on the disk before anything else is done with
// it, an append that fails leaves it waiting, and waiting contacts are appended again, oldest
// first, after the next append that succeeds, once a minute while any wait, at start-up and when
// the user asks. Junk (a CALL that no call sign could be) is refused and kept for the user to see.
//
// With the built-in store a crash can neither lose nor double a contact: the store keeps each
// entry's id with its record in one transaction, and an entry it has is not stored again. HAMLOG's
// libraries cannot be asked whether an append happened, so an entry is marked on the disk before
// its append starts; one found so marked at start-up is put to the user, who decides.
class ContactDelivery : public QObject, public AppendListener
{
    Q_OBJECT
public:
    static constexpr int kRetryIntervalMs = 60 * 1000;

    using Clock = std::function<qint64()>; // milliseconds since 1970, UTC

    ContactDelivery(Outbox& outbox, HamlogTransfer& transfer, HamlogLibrary& library, QObject* parent = nullptr);
    ~ContactDelivery() override;

    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setRetryInterval(int milliseconds) { m_retryTimer.setInterval(milliseconds); }

    // Records the contacts of the intake, in one synced write, and returns their entry ids in the
    // same order. Refused ones are recorded as refused (isRefused). When the outbox cannot be
    // written, outboxFailed says why; the contacts go on all the same.
    QList<qint64> take(const QStringList& contacts, qint16 source);
    bool isRefused(qint64 id) const;
    QString reasonOf(qint64 id) const;
    // Appends contacts taken in (the intake, after the ADIF log), in one open of the database.
    HamlogTransfer::AppendRequest deliver(const std::vector<HamlogTransfer::Contact>& contacts);

    // Texts of the entries taken in and never handed to an append: the ones a crash may have
    // caught before they reached the ADIF log. Meaningful at start-up only.
    QStringList unloggedTexts() const;

    // Start-up: entries whose append was started with HAMLOG's libraries but never confirmed are
    // put to the user through ask (OK appends again, Cancel leaves it out); then every waiting
    // entry is appended.
    void resume(Prompts& ask);
    // Appends the waiting entries not already on their way, oldest first, in one open.
    void retryWaiting();
    // Appends the given entries again (waiting or refused ones), oldest first.
    void retry(const QList<qint64>& ids);
    // Marks the entries removed (the user has said so); they go at the next compaction. Their
    // contacts are first appended to the removed file (RemovedLogPath()), on the disk before any
    // is marked: when that cannot be written, nothing is removed and the text says why (empty
    // when they were removed).
    QString remove(const QList<qint64>& ids);

    // Contacts not yet in the database and not on their way there right now (those that failed,
    // or wait for a retry), and refused ones.
    int waitingCount() const { return qMax(0, m_waiting - int(m_onTheirWay.size())); }
    int refusedCount() const { return m_refused; }
    // Why the outbox could not be read or written last; empty when it could.
    QString outboxError() const { return m_outboxError; }
    const Outbox& outbox() const { return m_outbox; }

    // Added to a failure box about contacts that wait to be appended again.
    static QString keptForRetryText();

    // The question put at start-up for an entry whose append may or may not have happened.
    static QString uncertainAppendQuestion(const Outbox::Entry& entry);

signals:
    // The counts changed (coalesced: once per turn of the event loop).
    void countsChanged();
    // An entry could not be written to the outbox; the text says why.
    void outboxFailed(const QString& text);

private:
    // AppendListener: the keys are the entries' ids.
    void appendStarting(qint64 entryId) override;
    void appendDone(qint64 entryId) override;
    void appendFailed(qint64 entryId, const QString& reason, Failure failure) override;

    // Whether a new state must be on the disk before the program goes on.
    enum class Durability { Synced, WithNextWrite };
    void mark(qint64 id, Outbox::State state, const QString& reason, Durability durability);
    void recount();
    void changed();
    void handOver(const std::vector<Outbox::Entry>& entries);

    Outbox& m_outbox;
    HamlogTransfer& m_transfer;
    HamlogLibrary& m_library;
    Clock m_clock;
    QTimer m_retryTimer;
    QTimer m_retrySoon;
    QTimer m_notify;
    std::set<qint64> m_onTheirWay; // taken by the intake or handed to the transfer
    int m_waiting = 0;
    int m_refused = 0;
    QString m_outboxError;
};
