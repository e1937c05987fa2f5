#include "reception/datagram_intake.h"

#include "adif/adif_fields.h"
#include "adif/adif_records.h"
#include "reception/qso_logged_decoder.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QtEndian>

#include <memory>

namespace Datagrams {
namespace {

bool equalsTag(const QString& text, qsizetype from, qsizetype length, const char* tag)
{
    return text.mid(from, length).compare(QLatin1String(tag), Qt::CaseInsensitive) == 0;
}

// The text of a Logged ADIF message (type 12): id, then the ADIF text, each a QDataStream byte
// array. The ADIF bytes are the sender's own, read like a plain-text contact (WSJT-X writes
// Latin-1 here too). False when the message is cut short.
bool loggedAdifText(const QByteArray& message, QString* adif)
{
    QDataStream in(message);
    in.setVersion(QDataStream::Qt_5_2);
    quint32 magic = 0, schema = 0, type = 0;
    QByteArray id, text;
    in >> magic >> schema >> type >> id >> text;
    if (in.status() != QDataStream::Ok)
        return false;
    *adif = TextOf(text);
    return true;
}

} // namespace

QString TextOf(const QByteArray& bytes)
{
    // With pointer and size: Qt 5 ends the text at the first NUL otherwise, which would hand the
    // rest of a junk call on as a shorter, plausible one.
    return AdifRecords::isValidUtf8(bytes) ? QString::fromUtf8(bytes.constData(), int(bytes.size()))
                              : QString::fromLatin1(bytes.constData(), int(bytes.size()));
}

QStringList ContactsOfAdif(const QString& received)
{
    QString text = received;
    for (QChar& c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }

    // Walks the tags without skipping values by their lengths: senders differ on whether a length
    // counts bytes or characters, and a wrong skip would run over the next record's start.
    QStringList contacts;
    qsizetype recordStart = -1;
    qsizetype pos = 0;
    bool fields = false;
    for (;;) {
        const qsizetype open = text.indexOf(QLatin1Char('<'), pos);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(QLatin1Char('>'), open + 1);
        if (close < 0)
            break;
        const QString spec = text.mid(open + 1, close - open - 1);
        const qsizetype colon = spec.indexOf(QLatin1Char(':'));
        const qsizetype nameLength = colon < 0 ? spec.size() : colon;
        pos = close + 1;
        if (equalsTag(spec, 0, nameLength, "eoh")) {
            recordStart = -1; // everything so far was the header
            fields = false;
            continue;
        }
        if (equalsTag(spec, 0, nameLength, "eor")) {
            if (fields)
                contacts << text.mid(recordStart, pos - recordStart).trimmed();
            recordStart = -1;
            fields = false;
            continue;
        }
        if (colon < 0 || nameLength == 0)
            continue; // not a field: left in the text as it stands
        bool ok = false;
        const int length = spec.mid(colon + 1).section(QLatin1Char(':'), 0, 0).toInt(&ok);
        if (!ok || length < 0)
            continue;
        if (recordStart < 0)
            recordStart = open;
        fields = true;
    }
    // A last record without "<eor>" is still what the sender sent.
    if (fields)
        contacts << text.mid(recordStart).trimmed();
    return contacts;
}

QString MessageTypeName(quint32 type)
{
    static const char* const kNames[] = {
        "Heartbeat",
        "Status",
        "Decode",
        "Clear",
        "Reply",
        "QSO Logged",
        "Close",
        "Replay",
        "Halt Tx",
        "Free Text",
        "WSPR Decode",
        "Location",
        "Logged ADIF",
        "Highlight Callsign",
        "Switch Configuration",
        "Configure",
    };
    return type < sizeof kNames / sizeof kNames[0] ? QLatin1String(kNames[type]) : QStringLiteral("unknown");
}

QString IdentityKey(const QString& contact)
{
    const ContactIdentity identity = IdentityOf(contact);
    return identity.isComplete() ? identity.key() : QString();
}

Reading Read(const QByteArray& datagram, qint16 sourceProgram)
{
    Reading reading;
    if (datagram.isEmpty()) {
        reading.reason = QStringLiteral("empty datagram");
        return reading;
    }
    const bool binary =
        datagram.size() >= 4 && qFromBigEndian<quint32>(datagram.constData()) == QsoLogged::kMagic;
    const quint32 schema = datagram.size() >= 8 ? qFromBigEndian<quint32>(datagram.constData() + 4) : 0;
    const quint32 type =
        datagram.size() >= 12 ? qFromBigEndian<quint32>(datagram.constData() + 8) : 0xFFFFFFFF;
    const QString what =
        QStringLiteral("a %1 message (type %2, schema %3)").arg(MessageTypeName(type)).arg(type).arg(schema);

    if (sourceProgram == 4) {
        QString hex = QsoLogged::HexText(datagram);
        if (QsoLogged::FindMarker(hex) < 0) {
            reading.reason = binary ? what + QStringLiteral(", not a QSO Logged message of schema 2")
                                    : QStringLiteral("no QSO Logged message of schema 2 in the datagram");
            return reading;
        }
        DecodeQsoLogged(hex);
        reading.contacts << hex;
        return reading;
    }
    if (sourceProgram < 1 || sourceProgram > 3) {
        reading.reason = QStringLiteral("no partner program chosen (source %1)").arg(sourceProgram);
        return reading;
    }

    if (binary) {
        if (datagram.size() < 12) {
            reading.reason = QStringLiteral("a binary message cut short before its type");
        } else if (type == 12) {
            QString adif;
            if (!loggedAdifText(datagram, &adif))
                reading.reason = what + QStringLiteral(" cut short");
            else if ((reading.contacts = ContactsOfAdif(adif)).isEmpty())
                reading.reason = what + QStringLiteral(" without an ADIF record");
        } else if (type == 5) {
            reading.reason =
                what + QStringLiteral("; on a text port the contact is taken from the Logged ADIF "
                                      "message (type 12) sent with it");
        } else {
            reading.reason = what + QStringLiteral(", not a contact");
        }
        return reading;
    }

    reading.contacts = ContactsOfAdif(TextOf(datagram));
    if (reading.contacts.isEmpty())
        reading.reason = QStringLiteral("no ADIF record in the text");
    return reading;
}

LoggedTexts LoggedTextsOf(const QByteArray& datagram)
{
    LoggedTexts texts;
    if (datagram.size() < QsoLogged::kMarkerBytes || qFromBigEndian<quint32>(datagram.constData()) != QsoLogged::kMagic ||
        qFromBigEndian<quint32>(datagram.constData() + 8) != 5)
        return texts;
    const QsoLogged::Contact logged = QsoLogged::DecodeMessage(datagram);
    if (!logged.cutShortAt.isEmpty())
        return texts;
    QsoLogged::Contact withMode = logged;
    withMode.mode = logged.loggedMode;
    texts.identity = IdentityKey(QsoLogged::ContactText(withMode));
    texts.name = logged.name;
    texts.comment = logged.comment;
    return texts;
}

QString RestoreLostCharacters(const QString& contact, const LoggedTexts& texts)
{
    QString restored = contact;
    const auto restore = [&restored](const char* field, const QString& kept) {
        qsizetype start = 0;
        qsizetype length = 0;
        if (kept.isEmpty() || !FindAdifField(restored, field, &start, &length))
            return;
        // Blanks around the value may differ; the characters in between must match one for one.
        const QString value = restored.mid(start, length);
        int lead = 0;
        while (lead < int(value.size()) && value.at(lead).isSpace())
            ++lead;
        const QString core = value.trimmed();
        if (core.size() != kept.size() || !core.contains(QLatin1Char('?')))
            return;
        for (int i = 0; i < int(core.size()); ++i) {
            if (core.at(i) != kept.at(i) && (core.at(i) != QLatin1Char('?') || kept.at(i).unicode() <= 0xFF))
                return;
        }
        // One character for one: the field's length stays right.
        restored.replace(start + lead, core.size(), kept);
    };
    restore("name", texts.name);
    restore("comment", texts.comment);
    return restored;
}

} // namespace Datagrams

ContactQueue::ContactQueue(Handler handler) : m_handler(std::move(handler))
{
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    m_clock = [started] { return started->elapsed(); };
}

bool ContactQueue::take(const QByteArray& datagram, const QStringList& contacts, QString* why, QStringList* queued)
{
    if (queued)
        queued->clear();
    const qint64 now = m_clock();
    while (!m_recentLogged.empty() && now - m_recentLogged.front().first >= kDuplicateWindowMs)
        m_recentLogged.pop_front();
    if (contacts.isEmpty()) {
        // The partner's QSO Logged message, sent right before the ADIF of the same contact.
        Datagrams::LoggedTexts logged = Datagrams::LoggedTextsOf(datagram);
        if (!logged.identity.isEmpty()) {
            m_recentLogged.emplace_back(now, std::move(logged));
            // A flood of such messages must not make every contact search thousands of them.
            if (m_recentLogged.size() > kMaxRememberedLogged)
                m_recentLogged.pop_front();
        }
        return true;
    }
    while (!m_recent.empty() && now - m_recent.front().first >= kDuplicateWindowMs) {
        const auto it = m_lastTaken.constFind(m_recent.front().second);
        if (it != m_lastTaken.constEnd() && it.value() == m_recent.front().first)
            m_lastTaken.erase(it);
        m_recent.pop_front();
    }
    while (!m_recentContacts.empty() && now - m_recentContacts.front().first >= kDuplicateWindowMs) {
        m_contactTaken.remove(m_recentContacts.front().second);
        m_recentContacts.pop_front();
    }
    if (m_lastTaken.contains(datagram)) {
        if (why)
            *why = QStringLiteral("the same bytes arrived less than 2 seconds ago");
        return false;
    }
    m_lastTaken.insert(datagram, now);
    m_recent.emplace_back(now, datagram);
    QStringList left;
    for (const QString& contact : contacts) {
        const QString identity = Datagrams::IdentityKey(contact);
        const auto same = m_contactTaken.constFind(identity);
        if (!identity.isEmpty() && same != m_contactTaken.constEnd()) {
            left << QStringLiteral("the same contact (%1) was taken %2 ms ago")
                        .arg(identity)
                        .arg(now - same.value());
            continue;
        }
        QString taken = contact;
        if (!identity.isEmpty()) {
            m_contactTaken.insert(identity, now);
            m_recentContacts.emplace_back(now, identity);
            for (const auto& logged : m_recentLogged) {
                if (logged.second.identity == identity)
                    taken = Datagrams::RestoreLostCharacters(taken, logged.second);
            }
        }
        m_queue.push_back(taken);
        if (queued)
            queued->push_back(taken);
    }
    if (why)
        *why = left.join(QStringLiteral("; "));
    return left.isEmpty();
}

void ContactQueue::run()
{
    if (m_handling)
        return;
    m_handling = true;
    // Cleared however the handler leaves, so one failed contact cannot stop the intake for good.
    struct Guard
    {
        bool& flag;
        ~Guard() { flag = false; }
    } guard{m_handling};
    for (;;) {
        if (m_drain)
            m_drain();
        if (m_queue.empty())
            break;
        QStringList contacts;
        contacts.swap(m_queue);
        m_handler(contacts);
    }
}
