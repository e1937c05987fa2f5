#include "delivery/contact_pipeline.h"

#include "common/prompts.h"
#include "delivery/transfer_journal.h"
#include "hamlog/hamlog_library.h"
#include "delivery/adif_log.h"

#include <QDateTime>

ContactPipeline::ContactPipeline(const Settings& settings, const CountryTable& countries, const DxccTable& dxcc,
                                 Prompts& prompts, HamlogHost& host, std::unique_ptr<HamlogLibrary> library,
                                 const QString& outboxPath, QObject* parent)
    : QObject(parent), m_settings(settings), m_countries(countries), m_dxcc(dxcc), m_prompts(prompts), m_host(host),
      m_outbox(outboxPath)
{
    if (!m_outbox.load(QDateTime::currentMSecsSinceEpoch()))
        m_prompts.showMessage(m_outbox.lastError());
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
    TransferJournal::Keep(*m_transfer);
    connect(m_transfer.get(), &HamlogTransfer::contactAppended, this, &ContactPipeline::contactAppended);
    m_delivery = std::make_unique<ContactDelivery>(m_outbox, *m_transfer, *m_library);
    connect(m_delivery.get(), &ContactDelivery::countsChanged, this, &ContactPipeline::countsChanged);
    connect(m_delivery.get(), &ContactDelivery::outboxFailed, this,
            [this](const QString& text) { m_prompts.showMessage(text); });
}

void ContactPipeline::startUp(const QString& adifLogPath, Prompts& ask)
{
    AppendMissingToAdifLog(adifLogPath, m_delivery->unloggedTexts());
    m_delivery->resume(ask);
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
