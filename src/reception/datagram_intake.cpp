#include "reception/datagram_intake.h"

#include "adif/adif_fields.h"
#include "adif/adif_records.h"
#include "reception/qso_logged_decoder.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QMap>
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

namespace {

// What a copy shares with the contact it copies: its non-empty fields (the first of each name) with
// their values, in name order, as one hash.
QByteArray copyKey(const QString& contact)
{
    QMap<QString, QString> fields;
    for (const auto& field : AdifFieldsOf(contact)) {
        if (!field.second.isEmpty() && !fields.contains(field.first))
            fields.insert(field.first, field.second);
    }
    // A text without fields is only a copy of the same text.
    QString text = fields.isEmpty() ? contact.trimmed() : QString();
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
        text += it.key() + QChar(0x1F) + it.value() + QChar(0x1E);
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1);
}

// The call, band and mode of a contact, as its identity gives them; empty without a call.
QByteArray stationKey(const ContactIdentity& identity)
{
    if (identity.call.isEmpty())
        return QByteArray();
    return QStringList{identity.call, identity.band, identity.mode}.join(QLatin1Char(' ')).toUtf8();
}

QString secondsText(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'f', 1) + QStringLiteral(" s");
}

} // namespace

std::optional<qint64> RecentKeys::noted(const QByteArray& key, qint64 now)
{
    forget(now);
    const auto it = m_last.constFind(key);
    if (it == m_last.constEnd())
        return std::nullopt;
    return it.value();
}

void RecentKeys::note(const QByteArray& key, qint64 now)
{
    m_last.insert(key, now);
    m_order.emplace_back(now, key);
    forget(now);
}

void RecentKeys::forget(qint64 now)
{
    while (!m_order.empty() && (now - m_order.front().first >= m_windowMs || m_order.size() > m_maxKeys)) {
        const auto it = m_last.constFind(m_order.front().second);
        // A key noted again later stays for its later time.
        if (it != m_last.constEnd() && it.value() == m_order.front().first)
            m_last.erase(it);
        m_order.pop_front();
    }
}

ContactQueue::ContactQueue(Handler handler) : m_handler(std::move(handler))
{
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    m_clock = [started] { return started->elapsed(); };
}

QList<ContactQueue::Decision> ContactQueue::take(const QByteArray& datagram, const QStringList& contacts)
{
    const qint64 now = m_clock();
    while (!m_recentLogged.empty() && now - m_recentLogged.front().first >= kLoggedTextsWindowMs)
        m_recentLogged.pop_front();
    QList<Decision> decisions;
    if (contacts.isEmpty()) {
        // The partner's QSO Logged message, sent right before the ADIF of the same contact.
        Datagrams::LoggedTexts logged = Datagrams::LoggedTextsOf(datagram);
        if (!logged.identity.isEmpty()) {
            m_recentLogged.emplace_back(now, std::move(logged));
            // A flood of such messages must not make every contact search thousands of them.
            if (m_recentLogged.size() > kMaxRememberedLogged)
                m_recentLogged.pop_front();
        }
        return decisions;
    }
    for (const QString& contact : contacts) {
        Decision decision;
        const QByteArray copy = copyKey(contact);
        const ContactIdentity identity = IdentityOf(contact);
        if (const std::optional<qint64> first = m_copies.noted(copy, now)) {
            decision.kind = Decision::Copy;
            decision.contact = contact;
            const QString which = identity.call.isEmpty() ? QStringLiteral("without a call")
                                  : identity.isComplete() ? identity.key()
                                                          : identity.call;
            decision.note = QStringLiteral("a copy of the contact %1 taken %2 ago").arg(which, secondsText(now - *first));
            decisions << decision;
            continue;
        }
        m_copies.note(copy, now);
        const QByteArray station = stationKey(identity);
        if (!station.isEmpty()) {
            if (const std::optional<qint64> before = m_sameStation.noted(station, now)) {
                decision.kind = Decision::TakenAgain;
                decision.note = QStringLiteral("taken again: %1 was taken %2 ago with the same band and "
                                               "mode and other fields (a correction or another contact)")
                                    .arg(identity.call, secondsText(now - *before));
            }
            m_sameStation.note(station, now);
        }
        decision.contact = contact;
        const QString key = identity.isComplete() ? identity.key() : QString();
        for (const auto& logged : m_recentLogged) {
            if (!key.isEmpty() && logged.second.identity == key)
                decision.contact = Datagrams::RestoreLostCharacters(decision.contact, logged.second);
        }
        m_queue.push_back(decision.contact);
        decisions << decision;
    }
    return decisions;
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
