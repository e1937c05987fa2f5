#pragma once

#include "hamlog/hamlog_transfer.h"
#include "reception/datagram_intake.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

class ContactPipeline;
class UdpReceiver;

// The road of every contact received over UDP, as the main window runs it: the datagrams the
// receiver has read are taken and their copies left (ContactQueue), their contacts kept in the
// outbox (one synced write), then written to the ADIF log (one synced write) and appended to the
// HAMLOG database (one open). Contacts read together go together: a burst costs a few writes to
// the disk for what arrived at once, not a few for each contact. A contact that arrives alone is
// handled alone, at once. The receiver reads the socket on its own thread meanwhile, so nothing
// is lost to the system's buffer while the disk is written.
class ContactIntake
{
public:
    // What the window shows of it; any may be left empty.
    struct View
    {
        // Contacts are about to be written, the latest of them given (Label1).
        std::function<void(const QString& latest)> taking;
        // A contact was refused as junk, for the reason given (kept in the outbox).
        std::function<void(const QString& reason)> refused;
        // The append of what was taken has run, or waits behind another (AppendDeferred).
        // takenAgain: the call signs (upper case) of those taken again (ContactQueue::Decision).
        std::function<void(HamlogTransfer::AppendRequest request, const QStringList& takenAgain)> delivered;
    };

    // source: the partner program the receiver is set up for (1 to 4). adifLogPath: the ADIF log.
    // The contacts go on along the pipeline's road (see ContactPipeline for the threading).
    ContactIntake(UdpReceiver& receiver, ContactPipeline& pipeline, qint16 source, const QString& adifLogPath);

    void setSource(qint16 source) { m_source = source; }
    void setAdifLogPath(const QString& path) { m_adifLogPath = path; }

    void setView(View view) { m_view = std::move(view); }
    // The clock of the copy rule (tests).
    void setClock(ContactQueue::Clock clock) { m_queue.setClock(std::move(clock)); }

    // The receiver's datagramsWaiting: takes in what waits there and handles it, unless contacts
    // are being handled already (an append lets events run), in which case the running turn takes
    // it next.
    void dataArrived();
    // Takes the datagrams the receiver holds into the outbox and the queue, without handling them.
    void drain();

    // Contacts are being handled: an append runs, letting events run meanwhile.
    bool isHandling() const { return m_queue.isHandling(); }

    // Datagrams taken from the receiver so far.
    int datagramsRead() const { return m_read; }

private:
    void handle(const QStringList& contacts);

    UdpReceiver& m_receiver;
    ContactPipeline& m_pipeline;
    qint16 m_source = 0;
    QString m_adifLogPath;
    ContactQueue m_queue;
    // Outbox entries of the contacts in the queue, in the same order, and whether each was taken again.
    struct Taken
    {
        qint64 id = 0;
        bool again = false;
    };
    std::deque<Taken> m_taken;
    View m_view;
    int m_read = 0;
};
