#include "reception/contact_intake.h"

#include "delivery/contact_pipeline.h"
#include "reception/udp_receiver.h"

ContactIntake::ContactIntake(UdpReceiver& receiver, ContactPipeline& pipeline, qint16 source,
                             const QString& adifLogPath)
    : m_receiver(receiver), m_pipeline(pipeline), m_source(source), m_adifLogPath(adifLogPath),
      m_queue([this](const QStringList& contacts) { handle(contacts); })
{
    m_queue.setDrain([this] { drain(); });
}

void ContactIntake::dataArrived()
{
    drain();
    m_queue.run();
}

void ContactIntake::drain()
{
    QStringList taken;
    for (const ReceivedDatagram& datagram : m_receiver.takeDatagrams()) {
        ++m_read;
        QStringList queued;
        m_queue.take(datagram.data, Datagrams::Read(datagram.data, m_source).contacts, nullptr, &queued);
        taken += queued;
    }
    // Into the outbox, all in one write that reaches the disk, before anything else is done with
    // them; the queue hands them to handle() in this same order.
    for (qint64 id : m_pipeline.delivery().take(taken, m_source))
        m_ids.push_back(id);
}

void ContactIntake::handle(const QStringList& contacts)
{
    ContactDelivery& delivery = m_pipeline.delivery();
    std::vector<HamlogTransfer::Contact> entries;
    QStringList texts;
    for (const QString& contact : contacts) {
        const qint64 id = m_ids.empty() ? 0 : m_ids.front();
        if (!m_ids.empty())
            m_ids.pop_front();
        if (delivery.isRefused(id)) {
            // Junk is not a contact: kept in the outbox for the user, nowhere else.
            if (m_view.refused)
                m_view.refused(delivery.reasonOf(id));
            continue;
        }
        entries.push_back({id, contact});
        texts << contact;
    }
    if (entries.empty())
        return;
    if (m_view.taking)
        m_view.taking(texts.last());
    // One line each, in one write that waits for the disk (a failure is the pipeline's to report).
    m_pipeline.logContacts(m_adifLogPath, texts);
    // What arrived meanwhile goes into the outbox now.
    drain();
    const HamlogTransfer::AppendRequest request = delivery.deliver(entries);
    if (m_view.delivered)
        m_view.delivered(request);
}
