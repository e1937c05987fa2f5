// velkor-cli import: transfers the records of an ADIF file into the HAMLOG database named in the
// settings, as the import window does (the same record finding, range and append), for scripts.
#include "cli.h"

#include "adif/adif_records.h"
#include "delivery/program_data.h"
#include "common/program_folder.h"
#include "hamlog/hamlog_data.h"
#include "hamlog/hamlog_library.h"
#include "hamlog/hamlog_transfer.h"
#include "delivery/transfer_journal.h"
#include "reference/country_table.h"
#include "reference/dxcc_table.h"
#include "settings/settings_file.h"

#include <memory>

namespace {

class CliHost : public HamlogHost
{
public:
    void setStatusText(const QString& text) override { status = text; }
    void setLastCallSign(const QString&) override {}
    void yieldToEventLoop() override {}
    QString status;
};

int usage()
{
    cliErr() << "usage: velkor-cli import FILE [--first N] [--last M] [--again] [--settings VELKOR.ini] "
                "[--dir DIR]\n";
    return kCliUsage;
}

bool readNumber(const QString& text, int& number)
{
    bool ok = false;
    number = text.toInt(&ok);
    return ok && number >= 0;
}

int runImport(const QStringList& args)
{
    QString settingsPath, dir, input;
    int first = 1;
    int last = -1;
    bool again = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--first") && i + 1 < args.size()) {
            if (!readNumber(args[++i], first))
                return usage();
        } else if (a == QLatin1String("--last") && i + 1 < args.size()) {
            if (!readNumber(args[++i], last))
                return usage();
        } else if (a == QLatin1String("--again")) {
            again = true;
        } else if (a == QLatin1String("--settings") && i + 1 < args.size()) {
            settingsPath = args[++i];
        } else if (a == QLatin1String("--dir") && i + 1 < args.size()) {
            dir = args[++i];
        } else if (input.isEmpty() && !a.startsWith(QLatin1Char('-'))) {
            input = a;
        } else {
            return usage();
        }
    }
    if (input.isEmpty())
        return usage();

    if (!dir.isEmpty())
        ProgramFolder::setPath(dir);
    CliPrompts prompts(QStringLiteral("import"));
    ProgramData data;
    LoadWithoutWindow(data, prompts, settingsPath);
    const Settings& settings = data.settings;
    const CountryTable& countries = data.countryTable;
    const DxccTable& dxcc = data.dxccTable;

    QStringList records;
    QString error;
    if (!AdifRecords::LoadAdifFile(input, records, error)) {
        prompts.showMessage(error);
        return kCliNothing;
    }
    if (last < 0)
        last = int(records.size());
    // Records that went into this database before are left out unless asked for again.
    QVector<bool> leaveOut;
    int leftOut = 0;
    if (!again) {
        QString unreadable;
        leaveOut = TransferJournal::TransferredAlready(settings.ThDbFile, records, &unreadable);
        if (!unreadable.isEmpty()) {
            // Without the journal every record would go in again, doubling what went in before.
            prompts.showMessage(unreadable + QStringLiteral("。--again ですべて転送します"));
            return kCliNothing;
        }
        for (int number = qMax(first, 1); number <= qMin(last, int(records.size())); ++number)
            leftOut += leaveOut.at(number - 1) ? 1 : 0;
    }
    FillAdifTransferList(records, first, last, leaveOut);

    std::unique_ptr<HamlogLibrary> library = CreateHamlogLibrary();
    CliHost host;
    HamlogTransfer transfer(settings, countries, dxcc, *library, prompts, host);
    // A journal that cannot be written is said on standard error; the records are in the
    // database all the same, so the exit status stays that of the import.
    TransferJournal::Keep(transfer, [&prompts](const QString& text) { prompts.showMessage(text); });
    transfer.ThDbFileAppend();
    const HamlogTransfer::ImportResult& result = transfer.lastImport();
    if (!host.status.isEmpty())
        cliOut() << host.status << "\n";
    cliOut() << "appended: " << result.appended << "\n";
    if (leftOut > 0)
        cliOut() << "skipped, transferred before: " << leftOut << " (--again transfers them)\n";
    return result.completed ? kCliOk : kCliNothing;
}

const CliRegistration registration(
    {QStringLiteral("import"),
     QStringLiteral("import FILE [--first N] [--last M] [--again] [--settings VELKOR.ini] [--dir DIR]"),
     runImport});

} // namespace
