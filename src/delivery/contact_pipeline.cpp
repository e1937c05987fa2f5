#include "delivery/contact_pipeline.h"

#include "common/prompts.h"
#include "settings/settings.h"
#include "delivery/transfer_journal.h"
#include "hamlog/hamlog_library.h"
#include "delivery/adif_log.h"

#include <QDateTime>
#include <QFileInfo>

ContactPipeline::ContactPipeline(const Settings& settings, const CountryTable& countries, const DxccTable& dxcc,
                                 Prompts& prompts, HamlogHost& host, std::unique_ptr<HamlogLibrary> library,
                                 const QString& outboxPath, QObject* parent)
    : QObject(parent), m_settings(settings), m_countries(countries), m_dxcc(dxcc), m_prompts(prompts), m_host(host),
      m_outbox(outboxPath)
{
    if (!m_outbox.load(QDateTime::currentMSecsSinceEpoch()))
        m_prompts.showMessage(m_outbox.lastError());
    else if (m_outbox.damagedParts() > 0)
        m_prompts.showMessage(m_outbox.damageText());
    m_adifLogRetry.setInterval(ContactDelivery::kRetryIntervalMs);
    connect(&m_adifLogRetry, &QTimer::timeout, this, [this] {
        catchUpAdifLog();
        if (m_journalBehind && noteUnjournalled())
            m_journalBehind = false;
        if (m_adifLogError.isEmpty() && !m_journalBehind)
            m_adifLogRetry.stop();
    });
    build(std::move(library));
}

ContactPipeline::~ContactPipeline()
{
    // The delivery stops listening to the transfer before either goes.
    m_delivery.reset();
    m_transfer.reset();
}

void ContactPipeline::build(std::unique_ptr<HamlogLibrary> library)
{
    m_library = library ? std::move(library) : CreateHamlogLibrary();
    m_transfer =
        std::make_unique<HamlogTransfer>(m_settings, m_countries, m_dxcc, *m_library, m_prompts, m_host);
    // What went in is remembered, so that importing it again can leave it out.
    TransferJournal::Keep(*m_transfer, [this](const QString& text) {
        m_journalBehind = true;
        if (!m_adifLogRetry.isActive())
            m_adifLogRetry.start();
        m_prompts.showMessage(text);
    });
    connect(m_transfer.get(), &HamlogTransfer::contactAppended, this, &ContactPipeline::contactAppended);
    m_delivery = std::make_unique<ContactDelivery>(m_outbox, *m_transfer, *m_library);
    connect(m_delivery.get(), &ContactDelivery::countsChanged, this, &ContactPipeline::countsChanged);
    connect(m_delivery.get(), &ContactDelivery::outboxFailed, this,
            [this](const QString& text) { m_prompts.showMessage(text); });
}

void ContactPipeline::startUp(const QString& adifLogPath, Prompts& ask)
{
    m_adifLogPath = adifLogPath;
    // Contacts a crash caught before they reached the log, and those that came while it could not
    // be written. Contacts already in the database are looked for only in a log that exists: one
    // the user took away starts anew with what comes next.
    QStringList texts = QFileInfo::exists(adifLogPath) ? loggedTexts() : m_delivery->unloggedTexts();
    adifLogWritten(AppendMissingToAdifLog(adifLogPath, texts) >= 0);
    if (!noteUnjournalled()) {
        m_journalBehind = true;
        m_adifLogRetry.start();
    }
    m_delivery->resume(ask);
}

bool ContactPipeline::noteUnjournalled()
{
    // Contacts that went in after the journal was last written may have gone in while it could
    // not be written: those it misses are noted now, so that importing the ADIF log does not
    // double them.
    const QFileInfo journal(TransferJournal::Path());
    const qint64 since = journal.exists() ? journal.lastModified().toMSecsSinceEpoch() : 0;
    QStringList texts;
    for (const Outbox::Entry& e : m_outbox.entries({Outbox::State::Appended})) {
        if (e.changedMs >= since)
            texts << e.text;
    }
    QString failure;
    if (texts.isEmpty() || TransferJournal::AddMissing(m_settings.ThDbFile, texts, &failure) >= 0)
        return true;
    if (!m_journalBehind)
        m_prompts.showMessage(failure);
    return false;
}

QStringList ContactPipeline::loggedTexts() const
{
    QStringList texts;
    for (const Outbox::Entry& e : m_outbox.entries(
             {Outbox::State::Waiting, Outbox::State::Started, Outbox::State::Failed, Outbox::State::Appended}))
        texts << e.text;
    return texts;
}

bool ContactPipeline::logContacts(const QString& adifLogPath, const QStringList& texts)
{
    m_adifLogPath = adifLogPath;
    if (!m_adifLogError.isEmpty())
        return catchUpAdifLog();
    const bool written = AppendAdifLog(adifLogPath, texts.join(QStringLiteral("\r\n")));
    adifLogWritten(written);
    return written;
}

bool ContactPipeline::catchUpAdifLog()
{
    if (m_adifLogError.isEmpty())
        return true;
    const bool written = AppendMissingToAdifLog(m_adifLogPath, loggedTexts()) >= 0;
    adifLogWritten(written);
    return written;
}

void ContactPipeline::adifLogWritten(bool written)
{
    const bool wasBehind = !m_adifLogError.isEmpty();
    if (written) {
        m_adifLogError.clear();
        if (!m_journalBehind)
            m_adifLogRetry.stop();
    } else {
        m_adifLogError = AdifLogFailureText(m_adifLogPath);
        if (!m_adifLogRetry.isActive())
            m_adifLogRetry.start();
        // Once for each time the log stops taking contacts; the status says it for every contact.
        if (!wasBehind)
            m_prompts.showMessage(m_adifLogError);
    }
    if (wasBehind != !written)
        emit countsChanged();
}

bool ContactPipeline::replaceLibrary(std::unique_ptr<HamlogLibrary> library)
{
    // The transfer keeps a reference to the library; an append still running keeps both until
    // it has closed the database.
    if (m_transfer->isBusy())
        return false;
    m_delivery.reset();
    m_transfer.reset();
    m_library.reset();
    build(std::move(library));
    emit countsChanged();
    return true;
}
