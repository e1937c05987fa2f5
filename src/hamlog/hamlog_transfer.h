#pragma once

#include "hamlog/hamlog_conversion.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

class CountryTable;
class DxccTable;
class HamlogLibrary;
class Prompts;
struct Settings;

// What the append needs of the main window.
class HamlogHost
{
public:
    virtual ~HamlogHost() = default;
    // Panel 1 of the status bar.
    virtual void setStatusText(const QString& text) = 0;
    // The window's LastCallSign.
    virtual void setLastCallSign(const QString& callSign) = 0;
    // Lets the event loop run once; an append does this while it works so the window stays alive.
    virtual void yieldToEventLoop();
    // Called as an import begins (done 0) and after each of its records; false cancels the
    // import, which then keeps the records appended so far.
    virtual bool importProgress(int done, int total);
};

// What the outbox learns of the appends of its entries (see HamlogTransfer::appendEntries).
class AppendObserver
{
public:
    virtual ~AppendObserver() = default;
    // Right before the entry's record goes to THW_append.
    virtual void appendStarting(qint64 entryId) = 0;
    // The entry's record is in the database: the close after it succeeded.
    virtual void appendDone(qint64 entryId) = 0;
    // The entry is not in the database, for reason. refused: the contact itself can never be
    // appended (no call sign, a conversion that fails). uncertain: its THW_append was made, but
    // the close that keeps it failed, so whether it is there cannot be told.
    virtual void appendFailed(qint64 entryId, const QString& reason, bool refused, bool uncertain) = 0;
};

// Appends contacts to the HAMLOG database through the library: one contact received over UDP
// (ThLogDbAppend), or the records chosen for an import (ThDbFileAppend).
//
// Appends never interleave. While one holds the database open (it lets the event loop run, and
// the event loop may ask for another append), a further request is held back and run, in the
// order asked, right after the running one has closed the database; none is dropped.
//
// For the UDP intake: ThLogDbAppend returns AppendRan when the append ran within the call. Then
// LastCallSign holds the call sign if, and only if, the record was really appended and has one;
// the intake reads it right after the call as always. It returns AppendDeferred when the contact
// had to wait: LastCallSign is left alone, and contactAppended(callSign, true) fires once the
// record has really been appended, so the intake can report the contact then. contactAppended
// fires for every UDP record appended (deferred false for those that ran within the call); an
// append that fails shows its message and fires nothing. A UDP contact without a call sign is
// not appended at all (the database is not opened, nothing is shown or fired): it stays in the
// ADIF log only.
class HamlogTransfer : public QObject
{
    Q_OBJECT
public:
    enum AppendRequest { AppendRan, AppendDeferred };

    // How the last import ended.
    struct ImportResult
    {
        int appended = 0;
        int skipped = 0;        // records without a call sign, handed over but not appended, and
                                // those left out as in the database already
        bool completed = false; // every record went through and the database was closed
        bool cancelled = false;
    };

    HamlogTransfer(const Settings& settings, const CountryTable& countries, const DxccTable& dxcc,
                   HamlogLibrary& library, Prompts& prompts, HamlogHost& host, QObject* parent = nullptr);

    // One contact of the outbox: its entry id (0 for none) and text.
    struct UdpEntry
    {
        qint64 id = 0;
        QString text;
    };

    // Appends one contact text received over UDP; entryId is its outbox entry (0 for none).
    AppendRequest ThLogDbAppend(const QString& contactText, qint64 entryId = 0);
    // Appends the contacts the intake read together, in one open of the database, in order; each
    // is reported as ThLogDbAppend reports its one (LastCallSign ends with the last one appended).
    AppendRequest ThLogDbAppend(const std::vector<UdpEntry>& entries);
    // Appends contacts of the outbox in one open of the database, in order, telling the observer
    // how each went. A contact that cannot be converted fails alone; the others go on. Reported
    // as deferred contacts are (contactAppended with deferred true).
    AppendRequest appendEntries(const std::vector<UdpEntry>& entries);
    void setObserver(AppendObserver* observer) { m_observer = observer; }
    // The reason given for a UDP contact without a call sign.
    static QString noCallSignText();
    // Added to a failure box about contacts that wait in the outbox.
    static QString keptForRetryText();
    // Appends AdifTransferList positions 1 to AdifTransferCount; a deferred import transfers the
    // list as it was when asked.
    AppendRequest ThDbFileAppend();

    // True while an append holds the database (or waits to).
    bool isBusy() const { return m_busy; }

    static QString libraryMissingText();
    static QString cannotOpenText();
    static QString transferredText();
    // The status texts of a finished and of a cancelled import, with their counts.
    static QString transferredText(int appended, int skipped);
    static QString cancelledText(int appended, int skipped);

    const ImportResult& lastImport() const { return m_lastImport; }

signals:
    void contactAppended(const QString& callSign, bool deferred);
    // Contacts really appended (from UDP or an import) to database, told once the database has
    // been closed after them, so that none is told of that the database did not keep.
    void recordsAppended(const QString& database, const QStringList& contactTexts);

private:
    struct Request
    {
        bool import = false;
        std::vector<UdpEntry> entries; // UDP
        bool batch = false;
        QStringList records; // import: the transfer list, position 0 unused
        int count = 0;
        int leftOut = 0; // import: chosen records left out as in the database already
    };

    // Runs the request now, or after the append that holds the database (AppendDeferred).
    AppendRequest submit(const Request& request);
    void run(const Request& request, bool deferred);
    void runUdp(const std::vector<UdpEntry>& entries, bool deferred);
    void runImport(const QStringList& records, int count, int leftOut);
    // Version query and open. Returns true when the records may follow; otherwise it has shown
    // its message and the append is over.
    bool open();
    bool handOver(const HamlogRecord& record);
    bool append();
    // Closes the database (when the library is loaded) and shows the error with OK and Cancel.
    // True when the database was closed, keeping what was appended before the error.
    bool fail(const QString& error);

    const Settings& m_settings;
    const CountryTable& m_countries;
    const DxccTable& m_dxcc;
    HamlogLibrary& m_library;
    Prompts& m_prompts;
    HamlogHost& m_host;
    bool m_busy = false;
    AppendObserver* m_observer = nullptr;
    QString m_lastFailure; // the text of the last box shown
    QString m_failureNote; // what failure boxes add while contacts of the outbox are appended
    std::deque<Request> m_waiting;
    ImportResult m_lastImport;
};
