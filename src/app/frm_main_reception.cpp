#include "app/frm_main.h"

#include "delivery/program_data.h"
#include "delivery/contact_pipeline.h"
#include "partners/partner_programs.h"
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
    return contactAddedText(callSign) + adifLogMissing();
}

QString frmMain::adifLogMissing() const
{
    // Never "added" alone while the ADIF log misses the contact.
    if (m_pipeline && !m_pipeline->adifLogError().isEmpty())
        return QStringLiteral("（ADIF ログには書き込めていません）");
    return QString();
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
        view.delivered = [this](HamlogTransfer::AppendRequest request, const QStringList& takenAgain) {
            contactsDelivered(request, takenAgain);
        };
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
    QString address;
    qint32 port = 0;
    const bool known = ReceptionEndpoint(m_data.settings, n, &address, &port);
    if (known && n == m_sourceProgram && Winsock1->state() == QAbstractSocket::BoundState &&
        address == m_listenAddress && port == m_listenPort)
        return; // listening there already (ListenOnStart): nothing is missed by a new bind

    // What the partner before sent is taken by its own branch before the source changes.
    CloseUdpPort();
    m_sourceProgram = n;
    if (m_intake)
        m_intake->setSource(n);
    if (!known)
        return;
    const ListenOutcome outcome = Winsock1->listen(address, port);
    if (outcome.listening) {
        m_listenAddress = address;
        m_listenPort = port;
    }
    showListening();
    if (outcome.note.isEmpty())
        return;
    // The launch that called us keeps this note readable after its own status text.
    showStatus(outcome.brief, outcome.note);
}

void frmMain::CloseUdpPort()
{
    Winsock1->close();
    // The socket reads its last datagrams as it closes. They go into the outbox now, by the branch
    // of the partner that sent them; the announcement on its way has them handled.
    if (m_intake || Winsock1->hasDatagrams())
        intake().drain();
    m_listenAddress.clear();
    m_listenPort = 0;
    showListening();
}

void frmMain::listenAsSet()
{
    if (m_partnerProcess)
        return; // the launched partner keeps the socket until it ends
    const qint16 n = m_data.settings.ListenOnStart;
    if (n >= 1 && n <= 4)
        OpenUdpPort(n);
    else
        CloseUdpPort();
}

void frmMain::showListening()
{
    if (!m_listening)
        return;
    if (Winsock1->state() == QAbstractSocket::BoundState && m_sourceProgram >= 1 && m_sourceProgram <= 4) {
        const QString partner = PartnerPrograms().at(static_cast<size_t>(m_sourceProgram - 1)).name;
        m_listening->setText(QStringLiteral("%1 を受信中（UDP %2）").arg(partner).arg(Winsock1->localPort()));
        m_listening->setToolTip(QStringLiteral("%1 からの交信を UDP ポート %2（%3）で受信しています")
                                    .arg(partner)
                                    .arg(Winsock1->localPort())
                                    .arg(m_listenAddress.trimmed().isEmpty() ? QStringLiteral("すべてのアドレス")
                                                                             : m_listenAddress.trimmed()));
    } else {
        m_listening->setText(QStringLiteral("受信していません"));
        m_listening->setToolTip(QStringLiteral(
            "UDP ポートを開いていないので、交信は届きません。運用ソフトを「設定」メニューから起動するか、"
            "設定の「起動時から受信」で運用ソフトを選んでください"));
    }
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

void frmMain::contactsDelivered(HamlogTransfer::AppendRequest request, const QStringList& takenAgain)
{
    closeTransferProgressWhenIdle();
    if (request == HamlogTransfer::AppendRan && !m_lastCallSign.isEmpty()) {
        if (takenAgain.contains(m_lastCallSign.toUpper())) {
            // A corrected re-log, or a second contact with the station: both are kept, and the
            // user sees that this was no slip of the program.
            const QString again = m_lastCallSign + QStringLiteral(" をもう一度記録しました") + adifLogMissing();
            showStatus(again,
                       again +
                           QStringLiteral("（2 分以内に同じコール・バンド・モードの交信を受け取っています。"
                                          "内容が違うので、訂正または 2 回目の交信として TURBO HAMLOG "
                                          "データベースにも追加しました）"));
        } else {
            setStatusText(addedStatus(m_lastCallSign));
        }
    }
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
