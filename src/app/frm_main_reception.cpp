#include "app/frm_main.h"

#include "delivery/program_data.h"
#include "delivery/contact_pipeline.h"
#include "reception/contact_intake.h"
#include "reception/udp_listener.h"
#include "reception/udp_receiver.h"

#include <QLabel>
#include <QTimer>

// UDP reception: the socket set up for one partner program and the intake of its datagrams.

QString frmMain::contactAddedText(const QString& callSign)
{
    return callSign + QStringLiteral(" をTURBO HAMLOG データベースに追加しました");
}

QString frmMain::addedStatus(const QString& callSign) const
{
    // Never "added" alone while the ADIF log misses the contact.
    if (m_pipeline && !m_pipeline->adifLogError().isEmpty())
        return contactAddedText(callSign) + QStringLiteral("（ADIF ログには書き込めていません）");
    return contactAddedText(callSign);
}

QString frmMain::refusedText(const QString& reason)
{
    return QStringLiteral("交信として受け付けませんでした (%1)").arg(reason);
}

ContactIntake& frmMain::intake()
{
    if (!m_intake) {
        m_intake = std::make_unique<ContactIntake>(*Winsock1, pipeline(), m_sourceProgram, m_data.AdifLogPath);
        if (m_receptionClock)
            m_intake->setClock(m_receptionClock);
        ContactIntake::View view;
        view.taking = [this](const QString& latest) { showContact(latest); };
        view.refused = [this](const QString& reason) { setStatusText(refusedText(reason)); };
        view.delivered = [this](HamlogTransfer::AppendRequest request) { contactsDelivered(request); };
        m_intake->setView(std::move(view));
    }
    return *m_intake;
}

void frmMain::setReceptionClock(std::function<qint64()> clock)
{
    m_receptionClock = std::move(clock);
    if (m_intake)
        m_intake->setClock(m_receptionClock);
}

void frmMain::OpenUdpPort(qint16 n)
{
    m_sourceProgram = n;
    if (m_intake)
        m_intake->setSource(n);
    CloseUdpPort();

    QString address;
    qint32 port = 0;
    if (!ReceptionEndpoint(m_data.settings, n, &address, &port))
        return;
    const ListenOutcome outcome = Winsock1->listen(address, port);
    if (outcome.note.isEmpty())
        return;
    // The launch that called us keeps this note readable after its own status text.
    showStatus(outcome.brief, outcome.note);
}

void frmMain::CloseUdpPort()
{
    Winsock1->close();
}

void frmMain::Winsock1_DataArrival()
{
    // Called again while contacts are being handled (their append lets events run), this only
    // queues what has arrived; the running turn handles it next.
    intake().dataArrived();
}

void frmMain::showContact(const QString& contactText)
{
    setStatusText(QString());
    Label1->setText(contactText);
    // Label1 keeps the latest contact until two ticks after it.
    m_timer2Phase = 0;
    Timer2->start();
    connect(&pipeline(), &ContactPipeline::contactAppended, this, &frmMain::contactAppendedLater,
            Qt::UniqueConnection);
    m_lastCallSign.clear();
}

void frmMain::contactsDelivered(HamlogTransfer::AppendRequest request)
{
    closeTransferProgressWhenIdle();
    if (request == HamlogTransfer::AppendRan && !m_lastCallSign.isEmpty())
        setStatusText(addedStatus(m_lastCallSign));
    m_lastCallSign.clear();
}

void frmMain::contactAppendedLater(const QString& callSign, bool deferred)
{
    // A contact that waited for another append (an import) is reported once it is in.
    if (deferred && !callSign.isEmpty())
        setStatusText(addedStatus(callSign));
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
