#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

// What a received datagram becomes: the contact text(s) it carries, or the reason it carries none.
//
// Sources 1 to 3 (JTDX, WSJT-X, MSHV) send each logged contact as ADIF text. The text is read as
// UTF-8 when it is valid UTF-8 (JTDX, MSHV), otherwise byte by byte (WSJT-X sends Latin-1). A
// header ("...<eoh>") is left out, every CR and LF becomes a blank (one each, so the field lengths
// still fit) and each record ended by "<eor>" is one contact, as it was written otherwise.
//
// A partner's main UDP server may be pointed at a text port too. Its binary messages (magic number
// 0xADBCCBDA) are never taken as text: the Logged ADIF message (type 12) carries the contact's ADIF
// record and is read as above; the QSO Logged message (type 5) that the same partner sends for the
// same contact is left alone, so the contact is taken once, from the richer of the two; heartbeats,
// status and decode messages carry no contact.
//
// Source 4 (FreeDV) sends the QSO Logged message of schema 2; each datagram is decoded on its own.
namespace Datagrams {

struct Reading
{
    QStringList contacts; // in the order the datagram holds them
    QString reason;       // why there is no contact (English, for the command-line tools)
};

// Source number 1 to 4 as SourceProgram holds it; any other number reads nothing.
Reading Read(const QByteArray& datagram, qint16 sourceProgram);

// The datagram's bytes as text: UTF-8 when they are valid UTF-8, else each byte the character of
// that code (Latin-1).
QString TextOf(const QByteArray& bytes);

// The contacts of an ADIF text as above; empty when it holds no record.
QStringList ContactsOfAdif(const QString& text);

// Name of a message type of the partners' UDP protocol ("Heartbeat", "Logged ADIF"), or "unknown".
QString MessageTypeName(quint32 type);

// The contact's identity (IdentityOf) when it has a call, date and time; empty otherwise: such a
// contact is never taken for another.
QString IdentityKey(const QString& contact);

// What a QSO Logged message (type 5) tells of its contact's texts. A partner that sends its
// contact both as this message and as ADIF (WSJT-X does, from its main server as Logged ADIF and as
// its plain broadcast) writes the ADIF in Latin-1, with "?" for every character Latin-1 lacks: a
// Japanese name or comment arrives as "??". The message keeps them.
struct LoggedTexts
{
    QString identity; // as IdentityKey gives it; empty when the datagram is no such message
    QString name;
    QString comment;
};
LoggedTexts LoggedTextsOf(const QByteArray& datagram);

// The contact with the characters of its NAME and COMMENT that stand as "?" taken from texts,
// where the two agree on every other character; unchanged otherwise.
QString RestoreLostCharacters(const QString& contact, const LoggedTexts& texts);

} // namespace Datagrams

// Contacts taken lately, each kept for a while by a key that stands for it: the time each key was
// first noted, the oldest forgotten first (after the window, or when there are too many).
class RecentKeys
{
public:
    RecentKeys(qint64 windowMs, size_t maxKeys) : m_windowMs(windowMs), m_maxKeys(maxKeys) {}

    // When the key was noted, if it was within the window before now.
    std::optional<qint64> noted(const QByteArray& key, qint64 now);
    // Notes the key at now (again, when it is noted already).
    void note(const QByteArray& key, qint64 now);

private:
    void forget(qint64 now);

    qint64 m_windowMs;
    size_t m_maxKeys;
    std::deque<std::pair<qint64, QByteArray>> m_order;
    QHash<QByteArray, qint64> m_last;
};

// Hands the contacts of the datagrams taken in to a handler, in arrival order: all those waiting
// at once, so that a burst costs one write and one append for what arrived together, and a single
// contact is handled as soon as it comes.
//
// Contacts are never handled in the middle of others: the handler may let the event loop run (the
// HAMLOG append does, and so does a message box), and a datagram taken in meanwhile only joins the
// queue; the running loop handles it next. Before each turn the drain callback is called, so
// datagrams already waiting are taken in (and checked for copies) in order.
//
// Only true copies are dropped. A contact is a copy of one taken in the last ten minutes when both
// carry the same fields with the same values (names in any case, values as text, blanks around them
// and empty fields left out): a partner that sends a contact twice, from both of its servers or in
// two forms, or a network that doubles a datagram, gives one contact however late the second comes.
// A contact that differs in any field is a contact of its own and is taken; when it has the call,
// band and mode of one taken in the last two minutes (a corrected re-log, or a second contact with
// the same station) it is taken "again", so the user can be told.
class ContactQueue
{
public:
    static constexpr qint64 kCopyWindowMs = 10LL * 60 * 1000;
    static constexpr qint64 kAgainWindowMs = 2LL * 60 * 1000;
    // Contacts remembered at most for the copy rule (the newest), so that a flood costs bounded memory.
    static constexpr size_t kMaxRemembered = 100000;
    // How long a QSO Logged message's texts wait for the ADIF of the same contact.
    static constexpr qint64 kLoggedTextsWindowMs = 10000;
    // QSO Logged messages remembered at most (the newest): a partner sends one per contact.
    static constexpr size_t kMaxRememberedLogged = 64;

    // What became of one contact of a datagram.
    struct Decision
    {
        enum Kind {
            Taken,      // queued
            TakenAgain, // queued; the call, band and mode of one taken in the last two minutes
            Copy,       // dropped: a copy of one taken in the last ten minutes
        };
        Kind kind = Taken;
        QString contact; // as queued (with characters restored), or as read for a copy
        QString note;    // what the decision rests on, in English for the tools; empty for Taken
        bool queued() const { return kind != Copy; }
    };

    using Handler = std::function<void(const QStringList& contactTexts)>;
    using Clock = std::function<qint64()>; // milliseconds, never going back

    explicit ContactQueue(Handler handler);

    // Replaces the clock (tests drive the windows with it).
    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setDrain(std::function<void()> drain) { m_drain = std::move(drain); }

    // Queues the contacts of one datagram that are no copies, and says what became of each, in
    // order. A datagram without contacts is remembered only when it is a QSO Logged message (type
    // 5): a contact taken soon after with its identity gets back from it the characters its ADIF
    // lost (Datagrams::RestoreLostCharacters).
    QList<Decision> take(const QByteArray& datagram, const QStringList& contacts);
    // Handles the waiting contacts in order, all of those waiting at each turn; returns at once when
    // called while contacts are being handled.
    void run();

    bool isHandling() const { return m_handling; }
    int waiting() const { return static_cast<int>(m_queue.size()); }

private:
    Handler m_handler;
    Clock m_clock;
    std::function<void()> m_drain;
    QStringList m_queue;
    RecentKeys m_copies{kCopyWindowMs, kMaxRemembered};
    RecentKeys m_sameStation{kAgainWindowMs, kMaxRemembered};
    // QSO Logged messages taken lately, oldest first, with the time each came.
    std::deque<std::pair<qint64, Datagrams::LoggedTexts>> m_recentLogged;
    bool m_handling = false;
};
