// Feeds arbitrary contact texts to ReadAdifField and to both variants of ConvertContact, with
// small fixed country tables, and checks what a HAMLOG record may hold: every field comes from
// its ADIF field as the rules say, a failure has a reason and happens exactly where a field cannot
// be read, and the two variants differ in the frequency alone.
//
// An input that starts with byte 01 is read behind 32,747 blanks, so that the fuzzer reaches the
// 32,767 limit of positions with short inputs.

#include "fuzz_support.h"

#include "hamlog/hamlog_conversion.h"
#include "platform/code_page.h"
#include "reference/country_table.h"
#include "reference/dxcc_table.h"

#include <QRegularExpression>

namespace {

const char* const kNames[] = {"QSO_DATE", "TIME_ON", "CALL",       "FREQ", "MODE",   "RST_SENT",
                              "RST_RCVD", "TX_PWR",  "GRIDSQUARE", "NAME", "COMMENT"};
enum { QsoDate, TimeOn, Call, Freq, Mode, RstSent, RstRcvd, TxPwr, Grid, Name, Comment, Count };

struct Tables
{
    CountryTable countries;
    DxccTable dxcc;
    Settings settings;
    QString qsl;

    Tables()
    {
        countries.AddExactCallEntry(QStringLiteral("KH6XYZ"), QStringLiteral("K"));
        countries.AddPrefixEntry(QStringLiteral("JA"), QStringLiteral("JA"));
        countries.AddPrefixEntry(QStringLiteral("7J"), QStringLiteral("JA"));
        countries.AddPrefixEntry(QStringLiteral("K"), QStringLiteral("K"));
        countries.AddPrefixEntry(QStringLiteral("KH6"), QStringLiteral("KH6"));
        countries.AddPrefixEntry(QStringLiteral("VK"), QStringLiteral("VK"));
        countries.AddPrefixEntry(QStringLiteral("VK9X"), QStringLiteral("VK9X"));
        countries.AddPrefixEntry(QStringLiteral("DL"), QStringLiteral("DL"));
        SilentPrompts prompts;
        const QString lines = QStringLiteral("JA    JA    日本\r\nK     K     アメリカ合衆国\r\n"
                                             " VK   VK    オーストラリア\r\nKH6   KH6\r\n?????\r\n");
        dxcc.LoadDxccFile(Fuzz::scratchFile(QStringLiteral("TH_DX.dat"), CodePage::fromUnicode(lines)),
                          prompts);
        // Both remarks and a QSL mark in use, so that every rule has something to do.
        settings.Com2Rmk1 = 1;
        settings.Pwr2Rmk2 = 1;
        settings.QslSent = 1;
        settings.SentMrk = QStringLiteral(" 済");
        qsl = BuildQslText(settings);
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

// "###.##0": an optional minus, no leading zero, always three decimals.
bool isUdpFrequency(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^-?([1-9][0-9]*)?\\.[0-9]{3}$"));
    return pattern.match(text).hasMatch();
}

void checkText(const QString& text)
{
    const Tables& t = tables();

    AdifField fields[Count];
    bool anyFailed = false;
    for (int i = 0; i < Count; ++i) {
        fields[i] = ReadAdifField(text, QLatin1String(kNames[i]));
        const AdifField& f = fields[i];
        switch (f.status) {
        case AdifField::Found:
            // A value stands right after a ">" of the text (it is empty when the text ends there).
            FUZZ_CHECK(text.contains(QLatin1Char('>') + f.value), f.value);
            break;
        case AdifField::Absent:
            FUZZ_CHECK(f.value.isEmpty(), f.value);
            break;
        case AdifField::Failed:
            FUZZ_CHECK(!f.error.isEmpty(), QString::fromLatin1(kNames[i]));
            anyFailed = true;
            break;
        }
    }

    HamlogRecord records[2];
    bool converted[2] = {false, false};
    for (int variant = 0; variant < 2; ++variant) {
        const ContactSource source = variant == 0 ? ContactSource::Udp : ContactSource::Import;
        HamlogRecord& r = records[variant];
        QString error;
        const bool ok = ConvertContact(text, source, t.qsl, t.settings, t.countries, t.dxcc, r, error);
        const bool freqBeyondRange = source == ContactSource::Udp &&
                                     fields[Freq].status == AdifField::Found &&
                                     FormatUdpFrequency(fields[Freq].value).isEmpty();
        // It fails exactly when a field cannot be read or the frequency is beyond any number.
        FUZZ_CHECK(ok == !(anyFailed || freqBeyondRange), error);
        if (!ok) {
            FUZZ_CHECK(!error.isEmpty(), QStringLiteral("failure without a reason"));
            continue;
        }
        converted[variant] = true;

        FUZZ_CHECK(r[1] == fields[Call].value.toUpper(), r[1]);
        FUZZ_CHECK(r[4] == fields[RstSent].value && r[5] == fields[RstRcvd].value, r[4] + r[5]);
        const QString submode = ReadAdifField(text, QStringLiteral("SUBMODE")).value.trimmed();
        FUZZ_CHECK(r[7] == (submode.isEmpty() ? fields[Mode].value : submode).toUpper(), r[7]);
        FUZZ_CHECK(r[9] == fields[Grid].value && r[11] == fields[Name].value, r[9] + r[11]);
        FUZZ_CHECK(r[10] == t.qsl && r[15].isEmpty(), r[10] + r[15]);
        FUZZ_CHECK(r[13] == fields[Comment].value && r[14] == fields[TxPwr].value, r[13] + r[14]);
        FUZZ_CHECK(r[16] == QLatin1String("0") || r[16] == QLatin1String("8"), r[16]);

        // Date and time are pieces of at most two characters of their values, never more.
        if (!fields[QsoDate].value.isEmpty())
            FUZZ_CHECK(r[2].size() <= 8 && r[2].count(QLatin1Char('/')) >= 2, r[2]);
        else
            FUZZ_CHECK(r[2].isEmpty(), r[2]);
        if (!fields[TimeOn].value.isEmpty())
            FUZZ_CHECK(r[3].size() <= 5 && r[3].contains(QLatin1Char(':')), r[3]);
        else
            FUZZ_CHECK(r[3].isEmpty(), r[3]);

        const QString& freq = fields[Freq].value;
        if (freq.isEmpty())
            FUZZ_CHECK(r[6].isEmpty(), r[6]);
        else if (source == ContactSource::Udp)
            FUZZ_CHECK(isUdpFrequency(r[6]), freq + QLatin1String(" -> ") + r[6]);
        else
            // The value's beginning, blanks trimmed; a decimal comma may have become a point.
            FUZZ_CHECK(QString(freq.trimmed())
                           .replace(QLatin1Char(','), QLatin1Char('.'))
                           .startsWith(QString(r[6]).replace(QLatin1Char(','), QLatin1Char('.'))),
                       freq + QLatin1String(" -> ") + r[6]);
    }

    // Where both variants convert, they agree on everything but the frequency.
    if (converted[0] && converted[1]) {
        for (int i = 1; i <= 16; ++i) {
            if (i != 6)
                FUZZ_CHECK(records[0][i] == records[1][i], QString::number(i));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes = Fuzz::bytesOf(data, size);
    if (!bytes.isEmpty() && bytes.at(0) == '\x01')
        bytes = QByteArray(32747, ' ') + bytes.mid(1);
    // The partner's bytes as the intake reads them (the 8-bit code page), and as UTF-8, which
    // reaches characters outside the code page.
    checkText(CodePage::toUnicode(bytes));
    checkText(QString::fromUtf8(bytes));
    return 0;
}
