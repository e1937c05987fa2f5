#include "reception/contact_intake.h"

#include "adif/adif_fields.h"
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
    std::vector<bool> again;
    for (const ReceivedDatagram& datagram : m_receiver.takeDatagrams()) {
        ++m_read;
        for (const ContactQueue::Decision& decision : m_queue.take(datagram.data, Datagrams::Read(datagram.data, m_source).contacts)) {
            if (!decision.queued())
                continue;
            taken << decision.contact;
            again.push_back(decision.kind == ContactQueue::Decision::TakenAgain);
        }
    }
    // Into the outbox, all in one write that reaches the disk, before anything else is done with
    // them; the queue hands them to handle() in this same order.
    const QList<qint64> ids = m_pipeline.delivery().take(taken, m_source);
    for (int i = 0; i < ids.size(); ++i)
        m_taken.push_back({ids[i], i < int(again.size()) && again[size_t(i)]});
}

void ContactIntake::handle(const QStringList& contacts)
{
    ContactDelivery& delivery = m_pipeline.delivery();
    std::vector<HamlogTransfer::Contact> entries;
    QStringList texts;
    QStringList takenAgain;
    for (const QString& contact : contacts) {
        const Taken taken = m_taken.empty() ? Taken{} : m_taken.front();
        if (!m_taken.empty())
            m_taken.pop_front();
        const qint64 id = taken.id;
        if (delivery.isRefused(id)) {
            // Junk is not a contact: kept in the outbox for the user, nowhere else.
            if (m_view.refused)
                m_view.refused(delivery.reasonOf(id));
            continue;
        }
        entries.push_back({id, contact});
        texts << contact;
        if (taken.again)
            takenAgain << IdentityOf(contact).call;
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
        m_view.delivered(request, takenAgain);
}
