// The whole intake decision: the input as one datagram, read for every source number, and split
// at byte 1E (the record separator) into a burst of datagrams that goes through the contact queue.
//
// For each source it checks what a contact may be: a reason exactly when there is none; from the
// text partners (1 to 3, all read alike) one trimmed, single-line ADIF record each, read back as
// itself, in the order of the text; from FreeDV (4) the decoder's contact text; from any other
// number nothing. The queue must decide on every contact of the burst once and hand over every one
// it takes once, in arrival order, with a contact written as one taken before always a copy, also
// when the handler lets the event loop (and so the queue) run inside a contact.

#include "fuzz_support.h"

#include "reception/datagram_intake.h"

#include <QList>
#include <QPair>
#include <QSet>

namespace {

void checkText(const QByteArray& datagram, const Datagrams::Reading& r)
{
    QString text = Datagrams::TextOf(datagram);
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    int from = 0;
    const bool binary = datagram.startsWith("\xAD\xBC\xCB\xDA");
    for (const QString& contact : r.contacts) {
        FUZZ_CHECK(!contact.isEmpty() && contact.trimmed() == contact, contact);
        FUZZ_CHECK(!contact.contains(QLatin1Char('\r')) && !contact.contains(QLatin1Char('\n')), contact);
        FUZZ_CHECK(contact.startsWith(QLatin1Char('<')), contact);
        // One record each: read again, a contact gives itself.
        FUZZ_CHECK(Datagrams::ContactsOfAdif(contact) == QStringList{contact}, contact);
        if (!binary) {
            const int at = int(text.indexOf(contact, from));
            FUZZ_CHECK(at >= 0, QStringLiteral("not in the text, or out of order: ") + contact);
            from = at + int(contact.size());
        }
    }
}

void checkReadings(const QByteArray& datagram)
{
    Datagrams::Reading text;
    for (qint16 source : {qint16(-1), qint16(0), qint16(1), qint16(2), qint16(3), qint16(4), qint16(5)}) {
        const Datagrams::Reading r = Datagrams::Read(datagram, source);
        FUZZ_CHECK(r.contacts.isEmpty() == !r.reason.isEmpty(),
                   QStringLiteral("source %1: %2").arg(source).arg(r.reason));
        if (source < 1 || source > 4) {
            FUZZ_CHECK(r.contacts.isEmpty(), QString::number(source));
        } else if (source == 4) {
            FUZZ_CHECK(r.contacts.size() <= 1, QString::number(r.contacts.size()));
            for (const QString& contact : r.contacts)
                FUZZ_CHECK(Fuzz::isDecodedContactText(contact), contact);
        } else if (source == 1) {
            text = r;
            checkText(datagram, r);
        } else {
            FUZZ_CHECK(r.contacts == text.contacts && r.reason == text.reason, QString::number(source));
        }
    }
}

// The burst through the queue, one datagram every 700 ms, taken in by the drain as the real
// socket's are; the handler lets the queue run again inside each contact, as a message box does.
void checkBurst(const QList<QByteArray>& datagrams, qint16 source)
{
    const qint64 step = 700;
    qint64 now = 0;
    QStringList handled;
    ContactQueue* queue = nullptr;
    ContactQueue q([&](const QStringList& contacts) {
        handled << contacts;
        queue->run();
    });
    queue = &q;
    q.setClock([&] { return now; });

    QStringList expected;
    QSet<QString> taken; // the texts of the contacts taken (as read)
    int next = 0;
    const auto takeOne = [&] {
        const QByteArray& d = datagrams.at(next++);
        now += step;
        const QStringList contacts = Datagrams::Read(d, source).contacts;
        const QList<ContactQueue::Decision> decisions = q.take(d, contacts);
        // One decision a contact, in order; the same text as one taken before is always a copy
        // (the burst lasts less than the copy window), and a copy never queued.
        FUZZ_CHECK(decisions.size() == contacts.size(), QString::number(next));
        for (int i = 0; i < decisions.size() && i < contacts.size(); ++i) {
            const ContactQueue::Decision& decision = decisions[i];
            FUZZ_CHECK(!taken.contains(contacts[i]) || decision.kind == ContactQueue::Decision::Copy,
                       contacts[i]);
            if (!decision.queued())
                continue;
            taken.insert(contacts[i]);
            expected << decision.contact;
            // Queued as read, but for characters a QSO Logged message gave back for "?".
            bool restoredOnly = decision.contact.size() == contacts[i].size();
            for (int c = 0; restoredOnly && c < contacts[i].size(); ++c)
                restoredOnly = decision.contact[c] == contacts[i][c] || contacts[i][c] == QLatin1Char('?');
            FUZZ_CHECK(restoredOnly, contacts[i]);
        }
    };
    q.setDrain([&] {
        if (next < datagrams.size())
            takeOne();
    });
    while (next < datagrams.size()) {
        takeOne();
        q.run();
    }
    FUZZ_CHECK(!q.isHandling() && q.waiting() == 0, QString::number(q.waiting()));
    FUZZ_CHECK(handled == expected,
               QStringLiteral("%1 handled, %2 expected").arg(handled.size()).arg(expected.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = Fuzz::bytesOf(data, size);
    checkReadings(bytes);

    const QList<QByteArray> datagrams = bytes.split('\x1e');
    if (datagrams.size() > 1) {
        for (const QByteArray& d : datagrams)
            checkReadings(d);
    }
    checkBurst(datagrams, qint16(2));
    checkBurst(datagrams, qint16(4));
    return 0;
}
