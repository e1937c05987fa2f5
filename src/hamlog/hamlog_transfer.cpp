#include "hamlog/hamlog_transfer.h"

#include "common/prompts.h"
#include "hamlog/hamlog_data.h"
#include "hamlog/hamlog_library.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>

namespace {
// The record is handed over in this order; field 15 never is.
const int kHandedIndexes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16};
constexpr qint32 kAppendFieldCount = 16;
constexpr qint64 kYieldIntervalMs = 5;
} // namespace

void HamlogHost::yieldToEventLoop()
{
    // A turn of the event loop costs far more than converting and storing a record; taking one at
    // most every few milliseconds keeps the window and the socket just as lively during a large
    // import without slowing it down.
    static QElapsedTimer sinceLastTurn;
    if (sinceLastTurn.isValid() && sinceLastTurn.elapsed() < kYieldIntervalMs)
        return;
    QCoreApplication::processEvents();
    sinceLastTurn.start();
}

bool HamlogHost::importProgress(int, int)
{
    return true;
}

HamlogTransfer::HamlogTransfer(const Settings& settings, const CountryTable& countries, const DxccTable& dxcc,
                               HamlogLibrary& library, Prompts& prompts, HamlogHost& host, QObject* parent)
    : QObject(parent), m_settings(settings), m_countries(countries), m_dxcc(dxcc), m_library(library),
      m_prompts(prompts), m_host(host)
{
}

QString HamlogTransfer::libraryMissingText()
{
    return QStringLiteral("Hamlog50.dll が見つかりません");
}

QString HamlogTransfer::cannotOpenText()
{
    return QStringLiteral("データベースがオープンできません");
}

QString HamlogTransfer::transferredText()
{
    return QStringLiteral("TURBO HAMLOG データベースに転送しました");
}

namespace {
// Short enough that the whole result stays readable in the status bar.
QString importCounts(int appended, int skipped)
{
    return QStringLiteral("追加 %1 件、スキップ %2 件").arg(appended).arg(skipped);
}
} // namespace

QString HamlogTransfer::transferredText(int appended, int skipped)
{
    return transferredText() + QStringLiteral(" (%1)").arg(importCounts(appended, skipped));
}

QString HamlogTransfer::cancelledText(int appended, int skipped)
{
    return QStringLiteral("TURBO HAMLOG データベースへの転送を中止しました (%1)")
        .arg(importCounts(appended, skipped));
}

HamlogTransfer::AppendRequest HamlogTransfer::ThLogDbAppend(const QString& contactText, qint64 key)
{
    return ThLogDbAppend(std::vector<Contact>{{key, contactText}});
}

HamlogTransfer::AppendRequest HamlogTransfer::ThLogDbAppend(const std::vector<Contact>& contacts, Reporting reporting)
{
    Request request;
    request.contacts = contacts;
    request.reporting = reporting;
    return submit(request);
}

HamlogTransfer::AppendRequest HamlogTransfer::ThDbFileAppend()
{
    // The list is taken as it stands now: the import window may refill it while this runs.
    Request request;
    request.kind = Request::Kind::Import;
    request.records = AdifTransferList;
    request.count = AdifTransferCount;
    request.leftOut = AdifTransferLeftOut;
    return submit(request);
}

HamlogTransfer::AppendRequest HamlogTransfer::submit(const Request& request)
{
    if (m_busy) {
        m_waiting.push_back(request);
        return AppendDeferred;
    }
    run(request, false);
    return AppendRan;
}

void HamlogTransfer::run(const Request& first, bool deferred)
{
    m_busy = true;
    // Should anything throw through an append, later appends must still run rather than wait
    // behind a flag that nobody clears; what is still waiting runs with the next request.
    struct BusyReset
    {
        bool& busy;
        ~BusyReset() { busy = false; }
    } reset{m_busy};
    if (first.kind == Request::Kind::Import)
        runImport(first.records, first.count, first.leftOut);
    else
        runContacts(first.contacts, deferred || first.reporting == Reporting::Later);
    // Whatever was asked for meanwhile runs now, in order; more may queue up while it does.
    while (!m_waiting.empty()) {
        const Request next = m_waiting.front();
        m_waiting.pop_front();
        if (next.kind == Request::Kind::Import)
            runImport(next.records, next.count, next.leftOut);
        else
            runContacts(next.contacts, true);
    }
}

bool HamlogTransfer::open()
{
    qint32 version = 0;
    m_lastFailure.clear();
    if (!m_library.GetThdllVersion(version)) {
        // A library that cannot be loaded at all (the 64-bit build, for one) is a fact to read,
        // not a question: one OK button.
        if (!m_library.isLoaded()) {
            m_lastFailure = m_library.lastError();
            m_prompts.showMessage(m_lastFailure + m_failureNote);
            return false;
        }
        fail(m_library.lastError());
        return false;
    }
    // The open is made whatever the version said.
    qint32 result = -1;
    if (!m_library.HamlogOpen(0, HamlogBuffer, m_settings.ThDbFile, 1, result)) {
        fail(m_library.lastError());
        return false;
    }
    // Only whether the library gave a version at all matters; any non-zero value is usable,
    // including those whose hexadecimal digits hold a letter.
    if (version == 0) {
        m_lastFailure = libraryMissingText();
        m_prompts.showMessage(m_lastFailure + m_failureNote);
        return false;
    }
    if (result != 0) {
        // The reason goes along when the library gives one (the built-in store does), so the user
        // learns what to change.
        QString reason = m_library.lastError();
        // HAMLOG's own library says nothing of why; a folder given as the database is the
        // mistake a user makes most easily in the browse dialog.
        if (reason.isEmpty() && QFileInfo(m_settings.ThDbFile).isDir())
            reason = DatabaseIsFolderText(m_settings.ThDbFile);
        m_lastFailure = reason.isEmpty() ? cannotOpenText() : cannotOpenText() + QLatin1Char('\n') + reason;
        m_prompts.showMessage(m_lastFailure + m_failureNote);
        return false;
    }
    return true;
}

bool HamlogTransfer::handOver(const HamlogRecord& record)
{
    if (!m_library.SetThBuffer(HamlogBuffer, QString(), 0))
        return false;
    for (int index : kHandedIndexes) {
        if (!m_library.SetThBuffer(HamlogBuffer, record[index], index))
            return false;
    }
    return true;
}

bool HamlogTransfer::append()
{
    qint32 variable = 0;
    return m_library.THW_append(HamlogBuffer, kAppendFieldCount, variable);
}

bool HamlogTransfer::fail(const QString& error)
{
    // The close keeps what was appended before the error; if even that fails, the user must
    // learn that those records may not be in the database either.
    QString text = error;
    const bool closed = m_library.isLoaded() && m_library.HamlogClose(HamlogBuffer, 1);
    if (m_library.isLoaded() && !closed) {
        const QString closeError = m_library.lastError();
        if (!closeError.isEmpty() && closeError != error)
            text += QLatin1Char('\n') + closeError;
    }
    m_lastFailure = text;
    m_prompts.askOkCancel(text + m_failureNote);
    return closed;
}

void HamlogTransfer::runContacts(const std::vector<Contact>& contacts, bool deferred)
{
    using Failure = AppendListener::Failure;
    const auto failed = [this](const Contact& c, const QString& reason, Failure failure) {
        if (m_listener && c.key != 0)
            m_listener->appendFailed(c.key, reason, failure);
    };
    // A contact without a call sign would become a record nobody can find or use: it is kept in
    // the ADIF log only, quietly, and the database is not even opened. A CALL tag that cannot be
    // read goes on to the conversion, which reports it.
    std::vector<const Contact*> todo;
    for (const Contact& c : contacts) {
        const CallSign::Check check = CallSign::CheckContact(c.text);
        if (check.problem == CallSign::Problem::Missing)
            failed(c, check.reason, Failure::Refused);
        else
            todo.push_back(&c);
    }
    if (todo.empty())
        return;
    // Contacts with keys are kept by their caller when the append fails: the box says so.
    struct NoteReset
    {
        QString& note;
        ~NoteReset() { note.clear(); }
    } noteReset{m_failureNote};
    if (m_listener && !m_keptNote.isEmpty() &&
        std::any_of(todo.begin(), todo.end(), [](const Contact* c) { return c->key != 0; }))
        m_failureNote = QStringLiteral("\n\n") + m_keptNote;
    const QString qslText = BuildQslText(m_settings);
    const QString database = m_settings.ThDbFile;
    if (!open()) {
        for (const Contact* c : todo)
            failed(*c, m_lastFailure, Failure::Failed);
        return;
    }
    std::vector<std::pair<const Contact*, QString>> appended; // with their call signs
    for (size_t i = 0; i < todo.size(); ++i) {
        const Contact& e = *todo[i];
        HamlogRecord record;
        QString error;
        if (!ConvertContact(e.text, ContactSource::Udp, qslText, m_settings, m_countries, m_dxcc, record, error,
                            [this] { m_host.yieldToEventLoop(); })) {
            // This contact fails alone; the ones after it are appended.
            m_prompts.askOkCancel(error);
            failed(e, error, Failure::Refused);
            continue;
        }
        m_library.setNextRecordKey(e.key);
        if (m_listener && e.key != 0)
            m_listener->appendStarting(e.key);
        if (!handOver(record) || !append()) {
            const bool closed = fail(m_library.lastError());
            QStringList kept;
            for (const auto& done : appended)
                kept << done.first->text;
            if (closed && !kept.isEmpty())
                emit recordsAppended(database, kept);
            for (const auto& done : appended) {
                if (closed && m_listener && done.first->key != 0)
                    m_listener->appendDone(done.first->key);
                else if (!closed)
                    failed(*done.first, m_lastFailure, Failure::Uncertain);
            }
            for (size_t k = i; k < todo.size(); ++k)
                failed(*todo[k], m_lastFailure, Failure::Failed);
            return;
        }
        appended.emplace_back(&e, record.callSign());
    }
    if (!m_library.HamlogClose(HamlogBuffer, 1)) {
        fail(m_library.lastError());
        for (const auto& done : appended)
            failed(*done.first, m_lastFailure, Failure::Uncertain);
        return;
    }
    // Only now are the contacts in the database: report them.
    QStringList texts;
    for (const auto& done : appended)
        texts << done.first->text;
    if (!texts.isEmpty())
        emit recordsAppended(database, texts);
    for (const auto& done : appended) {
        if (m_listener && done.first->key != 0)
            m_listener->appendDone(done.first->key);
        if (!deferred && !done.second.isEmpty())
            m_host.setLastCallSign(done.second);
        emit contactAppended(done.second, deferred);
    }
}

void HamlogTransfer::runImport(const QStringList& records, int count, int leftOut)
{
    m_lastImport = ImportResult();
    ImportResult& result = m_lastImport;
    result.skipped = leftOut;
    const QString qslText = BuildQslText(m_settings);
    const QString database = m_settings.ThDbFile;
    if (!open())
        return;
    m_host.setStatusText(QString());
    QStringList appended;
    auto yield = [this] { m_host.yieldToEventLoop(); };
    bool cancelled = !m_host.importProgress(0, count);
    for (int number = 1; number <= count && !cancelled; ++number) {
        HamlogRecord record;
        QString error;
        // The event loop runs after each record; a second turn inside the lookup would only slow
        // a large import down.
        bool ok = ConvertContact(records.value(number), ContactSource::Import, qslText, m_settings,
                                 m_countries, m_dxcc, record, error);
        const bool hasCall = ok && !record.callSign().isEmpty();
        if (ok) {
            ok = handOver(record) && (!hasCall || append());
            if (!ok)
                error = m_library.lastError();
        }
        if (!ok) {
            if (fail(QStringLiteral("%1 件目のレコードで転送を中止しました (それまでに %2 件を追加)\n%3")
                         .arg(number)
                         .arg(result.appended)
                         .arg(error)))
                emit recordsAppended(database, appended);
            return;
        }
        if (hasCall)
            appended.append(records.value(number));
        ++(hasCall ? result.appended : result.skipped);
        cancelled = !m_host.importProgress(number, count);
        yield();
    }
    // A cancel closes as the end does: what was appended so far stays in the database.
    if (!m_library.HamlogClose(HamlogBuffer, 1)) {
        fail(m_library.lastError());
        return;
    }
    emit recordsAppended(database, appended);
    result.cancelled = cancelled;
    result.completed = !cancelled;
    m_host.setStatusText(cancelled ? cancelledText(result.appended, result.skipped)
                                   : transferredText(result.appended, result.skipped));
}
