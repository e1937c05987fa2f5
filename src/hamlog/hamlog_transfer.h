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

// What the caller learns of the append of each contact it gave a key (see HamlogTransfer::Contact).
class AppendListener
{
public:
    // Why a contact is not in the database.
    enum class Failure {
        Failed,    // the append failed (no library, a database that cannot be opened, ...)
        Refused,   // the contact itself can never be appended (no call sign, a conversion that fails)
        Uncertain, // its THW_append was made, but the close that keeps it failed: whether it is
                   // there cannot be told
    };

    virtual ~AppendListener() = default;
    // Right before the contact's record goes to THW_append.
    virtual void appendStarting(qint64 key) = 0;
    // The contact's record is in the database: the close after it succeeded.
    virtual void appendDone(qint64 key) = 0;
    virtual void appendFailed(qint64 key, const QString& reason, Failure failure) = 0;
};

// Appends contacts to the HAMLOG database through the library: contacts received over UDP
// (ThLogDbAppend), or the records chosen for an import (ThDbFileAppend).
//
// Appends never interleave. While one holds the database open (it lets the event loop run, and
// the event loop may ask for another append), a further request is held back and run, in the
// order asked, right after the running one has closed the database; none is dropped.
//
// For contacts received over UDP: ThLogDbAppend returns AppendRan when the append ran within the
// call. Then LastCallSign holds the call sign if, and only if, the record was really appended and
// has one; the caller reads it right after the call as always. It returns AppendDeferred when the
// contact had to wait: LastCallSign is left alone, and contactAppended(callSign, true) fires once
// the record has really been appended, so the caller can report the contact then. contactAppended
// fires for every UDP record appended (deferred false for those that ran within the call and
// were asked with Reporting::AsTheyRun); an append that fails shows its message and fires nothing.
// A UDP contact without a call sign is not appended at all (the database is not opened, nothing
// is shown or fired): it stays in the ADIF log only.
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

    // One contact: its text and the caller's key for it (0 for none). The listener hears of each
    // contact with a key, and a backend that keeps keys stores it with the record.
    struct Contact
    {
        qint64 key = 0;
        QString text;
    };
    // How the contacts of a UDP append are reported: as they run within the call (LastCallSign,
    // contactAppended with deferred false), or all as deferred ones are (contactAppended with
    // deferred true; LastCallSign left alone), for appends nobody is waiting on, such as retries.
    enum class Reporting { AsTheyRun, Later };

    // Appends one contact text received over UDP.
    AppendRequest ThLogDbAppend(const QString& contactText, qint64 key = 0);
    // Appends contacts in one open of the database, in order; each is reported as the single one
    // is (LastCallSign ends with the last one appended). A contact that cannot be converted fails
    // alone; the others go on.
    AppendRequest ThLogDbAppend(const std::vector<Contact>& contacts, Reporting reporting = Reporting::AsTheyRun);
    void setListener(AppendListener* listener) { m_listener = listener; }
    // Added to the failure box of an append of contacts with keys, which their caller keeps.
    void setKeptNote(const QString& note) { m_keptNote = note; }
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
        enum class Kind { Contacts, Import };
        Kind kind = Kind::Contacts;
        std::vector<Contact> contacts; // Contacts
        Reporting reporting = Reporting::AsTheyRun;
        QStringList records; // Import: the transfer list, position 0 unused
        int count = 0;
        int leftOut = 0; // import: chosen records left out as in the database already
    };

    // Runs the request now, or after the append that holds the database (AppendDeferred).
    AppendRequest submit(const Request& request);
    void run(const Request& request, bool deferred);
    void runContacts(const std::vector<Contact>& contacts, bool deferred);
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
    AppendListener* m_listener = nullptr;
    QString m_lastFailure; // the text of the last box shown
    QString m_keptNote;
    QString m_failureNote; // what failure boxes add while contacts with keys are appended
    std::deque<Request> m_waiting;
    ImportResult m_lastImport;
};
