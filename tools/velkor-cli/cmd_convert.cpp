// velkor-cli convert: prints the HAMLOG record fields 1 to 16 that each contact text (one per
// line) would become, with the settings and reference tables the program would use.
//
// Exit status 0 when every line converted, 1 when a line failed or no line held a field the
// conversion reads, 2 on a usage or read error (a settings file named but unreadable, an input
// over 64 MiB).
#include "cli.h"

#include "delivery/program_data.h"
#include "common/program_folder.h"
#include "hamlog/hamlog_conversion.h"
#include "platform/code_page.h"
#include "reference/country_table.h"
#include "reference/dxcc_table.h"
#include "settings/settings_file.h"

#include "common/text_lines.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

// A line is taken as UTF-8 when it is valid UTF-8 (ASCII included), otherwise in the code page
// of the program's text files, as the partner's datagrams and ADIF files may be either.
QString decodeLine(const QByteArray& bytes)
{
    QString utf8 = QString::fromUtf8(bytes); // not const: returned by move
    if (!utf8.contains(QChar(0xFFFD)) || bytes.contains("\xEF\xBF\xBD"))
        return utf8;
    return CodePage::toUnicode(bytes);
}

int usage()
{
    cliErr() << "usage: velkor-cli convert [--import] [--settings VELKOR.ini] [--dir DIR] FILE|-   (at most "
                "64 MiB)\n";
    return kCliUsage;
}

int runConvert(const QStringList& args)
{
    bool import = false;
    QString settingsPath, dir, input;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--import"))
            import = true;
        else if (a == QLatin1String("--settings") && i + 1 < args.size())
            settingsPath = args[++i];
        else if (a == QLatin1String("--dir") && i + 1 < args.size())
            dir = args[++i];
        else if (input.isEmpty() && (a == QLatin1String("-") || !a.startsWith(QLatin1Char('-'))))
            input = a;
        else
            return usage();
    }
    if (input.isEmpty())
        return usage();

    QByteArray bytes;
    if (!cliReadInput(QStringLiteral("convert"), input, &bytes, kCliMaxTextInput))
        return kCliUsage;
    // A settings file asked for by name must be the one used: falling back to the defaults would
    // print records the program would never make.
    if (!settingsPath.isEmpty()) {
        QByteArray ignored;
        QString reason;
        if (QFileInfo(settingsPath).isDir())
            reason = QStringLiteral("it is a folder");
        else if (!QFileInfo(settingsPath).isFile() && QFileInfo::exists(settingsPath))
            reason = QStringLiteral("not a regular file");
        else if (!TextLines::readFile(settingsPath, ignored, &reason) && reason.isEmpty())
            reason = QStringLiteral("unreadable");
        if (!reason.isEmpty()) {
            cliErr() << "velkor-cli convert: cannot read the settings file " << settingsPath << ": " << reason
                     << "\n";
            return kCliUsage;
        }
    }

    if (!dir.isEmpty())
        ProgramFolder::setPath(dir);
    CliPrompts prompts(QStringLiteral("convert"));
    ProgramData data;
    LoadWithoutWindow(data, prompts, settingsPath);
    const Settings& settings = data.settings;
    const CountryTable& countries = data.countryTable;
    const DxccTable& dxcc = data.dxccTable;

    const QString qslText = BuildQslText(settings);
    // The fields the conversion reads; a line with none of them is no contact.
    static const char* const kRead[] = {"QSO_DATE", "TIME_ON", "CALL",       "FREQ", "MODE",   "RST_SENT",
                                        "RST_RCVD", "TX_PWR",  "GRIDSQUARE", "NAME", "COMMENT"};
    bool anyFailed = false;
    bool anyField = false;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const QString text = decodeLine(line);
        for (const char* name : kRead)
            anyField = anyField || ReadAdifField(text, QLatin1String(name)).status != AdifField::Absent;
        HamlogRecord record;
        QString error;
        if (!ConvertContact(text, import ? ContactSource::Import : ContactSource::Udp, qslText, settings,
                            countries, dxcc, record, error)) {
            cliOut() << error.replace(QLatin1Char('\n'), QLatin1Char(' ')) << "\n";
            anyFailed = true;
            continue;
        }
        QStringList fields;
        for (int i = 1; i <= 16; ++i)
            fields << QString(record[i])
                          .replace(QLatin1Char('\t'), QLatin1Char(' '))
                          .replace(QLatin1Char('\r'), QLatin1Char(' '));
        cliOut() << fields.join(QLatin1Char('\t')) << "\n";
    }
    if (!anyField) {
        cliErr()
            << "velkor-cli convert: no line holds an ADIF field that the conversion reads (CALL, QSO_DATE, "
               "FREQ, ...)\n";
        return kCliNothing;
    }
    return anyFailed ? kCliNothing : kCliOk;
}

const CliRegistration registration(
    {QStringLiteral("convert"),
     QStringLiteral("convert [--import] [--settings VELKOR.ini] [--dir DIR] FILE|-   (at most 64 MiB)"),
     runConvert});

} // namespace
