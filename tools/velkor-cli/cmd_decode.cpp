// velkor-cli decode: shows what VELKOR makes of what a partner program sends on the FreeDV port.
//
//   velkor-cli decode FILE|-         raw bytes of one datagram, or of several as one read takes them
//   velkor-cli decode --hex FILE|-   the same bytes as hex text (blanks and line breaks ignored)
//
// Exit status 0 when a contact text was printed, 1 when the input holds none, 2 on a usage or read
// error, or when the input is larger than 16 MiB (32 MiB of hex text): no read of a datagram socket
// comes near that.

#include "cli.h"

#include "reception/datagram_intake.h"
#include "reception/qso_logged_decoder.h"

#include <QFile>
#include <QtEndian>

namespace {

const char kUsage[] =
    "decode [--hex] FILE|-   print the contact text VELKOR makes of a datagram (at most 16 MiB)";

// Hex text as a user may paste it: blanks and line breaks between the digits are dropped, lower
// case is taken. Anything else is an error.
bool bytesFromHex(const QByteArray& text, QByteArray* bytes)
{
    QByteArray digits;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) {
            // By value: the byte may be a control character or part of a multi-byte character.
            cliErr() << "velkor-cli decode: not hex text: byte 0x"
                     << QStringLiteral("%1").arg(uchar(c), 2, 16, QLatin1Char('0')).toUpper();
            if (c > ' ' && c < 0x7F)
                cliErr() << " (\"" << QString::fromLatin1(&c, 1) << "\")";
            cliErr() << " at position " << i + 1 << "\n";
            return false;
        }
        digits.append(c);
    }
    if (digits.size() % 2 != 0) {
        cliErr() << "velkor-cli decode: not hex text: odd number of hex digits (" << digits.size() << ")\n";
        return false;
    }
    *bytes = QByteArray::fromHex(digits);
    return true;
}

// What the message whose magic number starts at byte index at is, in plain words.
QString describeMessage(const QByteArray& bytes, qsizetype at)
{
    const QString where = at == 0 ? QStringLiteral("the input starts with")
                                  : QStringLiteral("at byte %1 the input holds").arg(at + 1);
    if (bytes.size() - at < QsoLogged::kMarkerBytes)
        return QStringLiteral("%1 the magic number 0xADBCCBDA but ends before the schema and message type")
            .arg(where);
    const quint32 schema = qFromBigEndian<quint32>(bytes.constData() + at + 4);
    const quint32 type = qFromBigEndian<quint32>(bytes.constData() + at + 8);
    if (type == 5)
        return QStringLiteral(
                   "%1 a QSO Logged message of schema %2; VELKOR takes only schema 2 and ignores it")
            .arg(where)
            .arg(schema);
    return QStringLiteral("%1 a %2 message (type %3) of schema %4, not a QSO Logged message (type 5); VELKOR "
                          "ignores it")
        .arg(where, Datagrams::MessageTypeName(type))
        .arg(type)
        .arg(schema);
}

// Says in plain words what the input holds when it holds no QSO Logged message of schema 2: every
// message of the protocol in it, since one read may hold several datagrams.
QString describeNoContact(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QStringLiteral("the input is empty");

    QByteArray magic(4, '\0');
    qToBigEndian<quint32>(QsoLogged::kMagic, magic.data());
    qsizetype at = bytes.indexOf(magic);
    if (at < 0) {
        QString text = QStringLiteral("no magic number 0xADBCCBDA: the input is no message of the WSJT-X UDP "
                                      "protocol, and VELKOR ignores it on the FreeDV port");
        if (bytes.toLower().contains("<eor>"))
            text += QStringLiteral(" (it looks like plain ADIF text, which VELKOR takes as it is from JTDX, "
                                   "WSJT-X and MSHV)");
        return text;
    }
    QStringList messages;
    for (; at >= 0; at = bytes.indexOf(magic, at + 4))
        messages.append(describeMessage(bytes, at));
    return messages.join(QStringLiteral("; "));
}

int runDecode(const QStringList& args)
{
    bool hex = false;
    QString input;
    for (const QString& arg : args) {
        if (arg == QLatin1String("--hex")) {
            hex = true;
        } else if (input.isEmpty() && (arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-')))) {
            input = arg;
        } else {
            cliErr() << "usage: velkor-cli " << kUsage << "\n";
            return kCliUsage;
        }
    }
    if (input.isEmpty()) {
        cliErr() << "usage: velkor-cli " << kUsage << "\n";
        return kCliUsage;
    }

    QByteArray data;
    if (!cliReadInput(QStringLiteral("decode"), input, &data,
                      hex ? 2 * kCliMaxDatagramInput : kCliMaxDatagramInput))
        return kCliUsage;
    QByteArray bytes = data;
    if (hex && !bytesFromHex(data, &bytes))
        return kCliUsage;

    QString text = QsoLogged::HexText(bytes);
    const qsizetype marker = QsoLogged::FindMarker(text);
    if (marker < 0) {
        cliErr() << "no contact: " << describeNoContact(bytes) << "\n";
        return kCliNothing;
    }
    DecodeQsoLogged(text);
    cliOut() << text << "\n";

    const QsoLogged::Contact contact = QsoLogged::DecodeMessage(bytes.mid(marker / 2));
    if (!contact.cutShortAt.isEmpty())
        cliErr() << "note: the message ends early, in or before the field \"" << contact.cutShortAt
                 << "\"; the fields from there on are empty\n";
    if (marker > 0)
        cliErr() << "note: the QSO Logged message starts at byte " << marker / 2 + 1 << " of the input\n";
    return kCliOk;
}

const CliRegistration registration({QStringLiteral("decode"), QLatin1String(kUsage), runDecode});

} // namespace
