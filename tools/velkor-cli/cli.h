#pragma once

#include <QStringList>
#include <QTextStream>

#include <functional>

// Exit statuses shared by every subcommand.
enum CliExit { kCliOk = 0, kCliNothing = 1, kCliUsage = 2 };

struct CliCommand
{
    QString name;
    QString usage; // one line, shown by "velkor-cli help"
    std::function<int(const QStringList& args)> run;
};

// Each cmd_*.cpp registers its subcommand with a static CliRegistration.
class CliRegistration
{
public:
    explicit CliRegistration(CliCommand command);
};

const QList<CliCommand>& cliCommands();

// Reads a whole input file, or standard input when name is "-". On failure says so on standard
// error, prefixed with "velkor-cli <command>: ", and returns false.
bool cliReadInput(const QString& command, const QString& name, QByteArray* data);

// UTF-8 standard output and error, shared by the subcommands.
QTextStream& cliOut();
QTextStream& cliErr();
