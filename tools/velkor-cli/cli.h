#pragma once

#include "common/prompts.h"

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

// Input size limits. Far above anything real (a datagram is at most 64 KiB; a large contest log
// holds a few tens of MB), they keep a wrong file or an endless device such as /dev/zero from
// taking the machine's memory: what is read costs several times its size while it is worked on.
constexpr qint64 kCliMaxDatagramInput = 16LL * 1024 * 1024;
constexpr qint64 kCliMaxTextInput = 64LL * 1024 * 1024;

// Reads a whole input file, or standard input when name is "-", of at most maxBytes bytes. On
// failure (unreadable, a folder, larger than the limit) says so on standard error, prefixed with
// "velkor-cli <command>: ", and returns false; callers then exit with kCliUsage.
bool cliReadInput(const QString& command, const QString& name, QByteArray* data, qint64 maxBytes);

// UTF-8 standard output and error, shared by the subcommands.
QTextStream& cliOut();
QTextStream& cliErr();

// Message boxes become lines on standard error, "velkor-cli <command>: <text>"; OK/Cancel boxes are
// answered OK.
class CliPrompts : public Prompts
{
public:
    explicit CliPrompts(QString command) : m_command(std::move(command)) {}
    void showMessage(const QString& text) override
    {
        cliErr() << "velkor-cli " << m_command << ": " << text << "\n";
    }
    bool askOkCancel(const QString& text) override
    {
        showMessage(text);
        return true;
    }

private:
    QString m_command;
};
