// velkor-cli lookup [--dir DIR] CALL...
// Loads Cty.dat and TH_DX.dat as the program does and prints, per call sign, the call, its
// primary DXCC prefix and the two DXCC texts, tab-separated.
#include "cli.h"

#include "common/program_folder.h"
#include "reference/country_table.h"
#include "reference/dxcc_table.h"

namespace {

// Message boxes of the loaders, written to standard error with the same words.
class StderrPrompts : public Prompts
{
public:
    void showMessage(const QString& text) override { print(text); }
    bool askOkCancel(const QString& text) override
    {
        print(text);
        return true;
    }

private:
    static void print(QString text)
    {
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        cliErr() << text << "\n";
        cliErr().flush();
    }
};

int runLookup(const QStringList& args)
{
    QString dir;
    QStringList calls;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--dir")) {
            if (i + 1 >= args.size()) {
                cliErr() << "velkor-cli lookup: --dir needs a folder\n";
                return kCliUsage;
            }
            dir = args.at(++i);
        } else if (a.startsWith(QLatin1String("--dir="))) {
            dir = a.mid(6);
        } else {
            calls.append(a);
        }
    }
    if (calls.isEmpty()) {
        cliErr() << "usage: velkor-cli lookup [--dir DIR] CALL...\n";
        return kCliUsage;
    }
    if (!dir.isEmpty())
        ProgramFolder::setPath(dir);

    StderrPrompts prompts;
    CountryTable countries;
    countries.LoadCountryFile(CountryFilePath(), prompts);
    DxccTable dxcc;
    dxcc.LoadDxccFile(DxccFilePath(), prompts);

    // Call signs reach the tables upper-cased, as contacts do.
    bool allFound = true;
    for (const QString& given : calls) {
        const QString call = given.toUpper();
        const QString prefix = countries.LookupDxccPrefix(call);
        const DxccColumns columns = dxcc.FindDxccLine(prefix);
        allFound = allFound && prefix != CountryTable::notFound();
        cliOut() << call << '\t' << prefix << '\t' << columns.columnA << '\t' << columns.columnB << '\n';
    }
    return allFound ? kCliOk : kCliNothing;
}

const CliRegistration registration(CliCommand{
    QStringLiteral("lookup"),
    QStringLiteral("lookup [--dir DIR] CALL...   primary DXCC prefix and DXCC texts of call signs"
                   " (exit 1 when one is not found)"),
    runLookup});

} // namespace
