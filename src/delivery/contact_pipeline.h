#pragma once

#include "delivery/contact_delivery.h"
#include "delivery/outbox.h"
#include "hamlog/hamlog_transfer.h"

#include <QObject>
#include <QTimer>
#include <QString>

#include <memory>

class CountryTable;
class DxccTable;
class HamlogLibrary;
class Prompts;
struct Settings;

// The road of a contact once it has been taken in, built the same way wherever contacts travel:
// by the main window, by the benchmarks and by the fault tests. It owns, in the order they are
// made and the reverse order they go, the HAMLOG library, the transfer that appends through it,
// the outbox and the delivery that takes contacts from the outbox into the database; and it
// keeps the transfer journal of what went into each database.
//
// Threading. Everything runs on one thread, the one whose event loop drives the timers and takes
// the received datagrams; there are no locks. (The receiver's own thread only reads the socket
// into its queue and touches nothing here: see UdpReceiver.) An append lets that event loop run
// while it works (the transfer calls HamlogHost::yieldToEventLoop, and a message box runs one of
// its own), so a datagram, a timer tick or a menu entry may arrive in the middle of an append.
// They never nest an append inside another: the transfer runs one request at a time and queues
// the others in the order asked (AppendDeferred), and the intake only queues contacts that arrive
// while it is handling others (ContactQueue). Whatever is handed out by reference (transfer(),
// delivery(), outbox()) stays valid until replaceLibrary(), which waits until no append runs.
class ContactPipeline : public QObject
{
    Q_OBJECT
public:
    // library: the backend to append through; the system's own (CreateHamlogLibrary) when null.
    // outboxPath: the outbox file, read here (a failure is shown through prompts).
    // prompts: every message of the appends and of the outbox; host: what the appends show.
    ContactPipeline(const Settings& settings, const CountryTable& countries, const DxccTable& dxcc, Prompts& prompts,
                    HamlogHost& host, std::unique_ptr<HamlogLibrary> library = nullptr,
                    const QString& outboxPath = Outbox::DefaultPath(), QObject* parent = nullptr);
    ~ContactPipeline() override;

    // The work of a start: contacts a crash caught before they reached the ADIF log are written
    // to it, appends a crash left uncertain are put to the user through ask, and every contact
    // still waiting is appended.
    void startUp(const QString& adifLogPath, Prompts& ask);

    // Writes contacts just taken in to the ADIF log, in one synced write. While the log is behind
    // (a write failed), every contact the outbox keeps that the log is missing is written along,
    // in the order they came. A write that fails is reported once through the prompts, until the
    // log can be written again, and retried once a minute (as is noting in the transfer journal
    // what could not be noted); false then.
    bool logContacts(const QString& adifLogPath, const QStringList& texts);
    // Writes what the ADIF log is missing while it is behind; true when it is behind no more.
    bool catchUpAdifLog();
    // Why the ADIF log could not be written; empty while it can.
    QString adifLogError() const { return m_adifLogError; }

    // Puts another library in place, keeping the outbox (tests). False, and nothing changed,
    // while an append holds the database.
    bool replaceLibrary(std::unique_ptr<HamlogLibrary> library);

    HamlogLibrary& library() { return *m_library; }
    HamlogTransfer& transfer() { return *m_transfer; }
    const HamlogTransfer& transfer() const { return *m_transfer; }
    Outbox& outbox() { return m_outbox; }
    const Outbox& outbox() const { return m_outbox; }
    ContactDelivery& delivery() { return *m_delivery; }
    const ContactDelivery& delivery() const { return *m_delivery; }

signals:
    // The delivery's and the transfer's signals, passed on so that they outlive replaceLibrary().
    void countsChanged();
    void contactAppended(const QString& callSign, bool deferred);

private:
    void build(std::unique_ptr<HamlogLibrary> library);
    QStringList loggedTexts() const;
    // Notes in the journal the contacts appended since it was last written that it misses; false
    // when it cannot be read or written.
    bool noteUnjournalled();
    void adifLogWritten(bool written);

    const Settings& m_settings;
    const CountryTable& m_countries;
    const DxccTable& m_dxcc;
    Prompts& m_prompts;
    HamlogHost& m_host;
    std::unique_ptr<HamlogLibrary> m_library;
    std::unique_ptr<HamlogTransfer> m_transfer;
    Outbox m_outbox;
    std::unique_ptr<ContactDelivery> m_delivery; // refers to the three before it
    QString m_adifLogPath;
    QString m_adifLogError;
    bool m_journalBehind = false;
    // While the ADIF log or the journal is behind, once a minute.
    QTimer m_adifLogRetry;
};
