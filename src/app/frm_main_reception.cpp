#include "app/frm_main.h"

#include "common/program_data.h"
#include "hamlog/contact_delivery.h"
#include "reception/adif_log.h"
#include "reception/datagram_intake.h"
#include "reception/udp_listener.h"

#include <QLabel>
#include <QTimer>
#include <QUdpSocket>

// UDP reception: the socket set up for one partner program and the intake of its datagrams.

QString frmMain::contactAddedText(const QString& callSign)
{
    return callSign + QStringLiteral(" をTURBO HAMLOG データベースに追加しました");
}

QString frmMain::refusedText(const QString& reason)
{
    return QStringLiteral("交信として受け付けませんでした (%1)").arg(reason);
}

ContactQueue& frmMain::intake()
{
    if (!m_intake) {
        m_intake = std::make_unique<ContactQueue>([this](const QString& contact) { handleContact(contact); });
        m_intake->setDrain([this] { takePendingDatagrams(); });
    }
    return *m_intake;
}

void frmMain::setReceptionClock(std::function<qint64()> clock)
{
    intake().setClock(std::move(clock));
}

void frmMain::OpenUdpPort(qint16 n)
{
    m_sourceProgram = n;
    CloseUdpPort();

    QString address;
    qint32 port = 0;
    if (!ReceptionEndpoint(m_data.settings, n, &address, &port))
        return;
    const ListenOutcome outcome = ListenOn(*Winsock1, address, port);
    if (outcome.note.isEmpty())
        return;
    // The launch that called us keeps this note readable after its own status text.
    showStatus(outcome.brief, outcome.note);
}

void frmMain::CloseUdpPort()
{
    Winsock1->abort();
    Winsock1->close();
}

void frmMain::takePendingDatagrams()
{
    if (Winsock1->state() != QAbstractSocket::BoundState)
        return;
    QStringList taken;
    for (const QByteArray& datagram : ReadPendingDatagrams(*Winsock1)) {
        const QStringList contacts = Intake::Read(datagram, m_sourceProgram).contacts;
        if (intake().take(datagram, contacts))
            taken += contacts;
    }
    // Into the outbox, all in one write that reaches the disk, before anything else is done
    // with them; the queue hands them to handleContact in this same order.
    for (qint64 id : delivery().take(taken, m_sourceProgram))
        m_takenIds.push_back(id);
}

void frmMain::Winsock1_DataArrival()
{
    // Called again while a contact is being handled (its append lets events run), this only
    // queues what has arrived; the running loop handles it next.
    takePendingDatagrams();
    intake().run();
}

void frmMain::handleContact(const QString& contactText)
{
    qint64 entryId = 0;
    if (!m_takenIds.empty()) {
        entryId = m_takenIds.front();
        m_takenIds.pop_front();
    }
    if (delivery().isRefused(entryId)) {
        // Junk is not a contact: kept in the outbox for the user, nowhere else.
        setStatusText(refusedText(delivery().reasonOf(entryId)));
        return;
    }
    setStatusText(QString());
    Label1->setText(contactText);
    // Label1 keeps the latest contact until two ticks after it.
    m_timer2Phase = 0;
    Timer2->start();
    AppendAdifLog(m_data.AdifLogPath, contactText);
    // Each write waits for the disk; what arrived meanwhile leaves the socket's buffer now.
    takePendingDatagrams();

    connect(&hamlogTransfer(), &HamlogTransfer::contactAppended, this, &frmMain::contactAppendedLater,
            Qt::UniqueConnection);
    m_lastCallSign.clear();
    const HamlogTransfer::AppendRequest request = delivery().deliver(entryId, contactText);
    closeTransferProgressWhenIdle();
    if (request == HamlogTransfer::AppendRan && !m_lastCallSign.isEmpty())
        setStatusText(contactAddedText(m_lastCallSign));
    m_lastCallSign.clear();
}

void frmMain::contactAppendedLater(const QString& callSign, bool deferred)
{
    // A contact that waited for another append (an import) is reported once it is in.
    if (deferred && !callSign.isEmpty())
        setStatusText(contactAddedText(callSign));
}

void frmMain::Timer2_Timer()
{
    if (m_timer2Phase == 1) {
        Timer2->stop();
        Label1->clear();
        m_timer2Phase = 0;
    } else {
        m_timer2Phase = 1;
    }
}
