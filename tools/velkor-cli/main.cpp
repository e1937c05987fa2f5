#include "cli.h"

#include "platform/standard_streams.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {
QList<CliCommand>& registry()
{
    // cppcheck-suppress unassignedVariable ; filled through the returned reference
    static QList<CliCommand> commands;
    return commands;
}

void setUtf8(QTextStream& stream)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    stream.setEncoding(QStringConverter::Utf8);
#else
    stream.setCodec("UTF-8");
#endif
}

int printUsage(QTextStream& stream)
{
    stream << "usage: velkor-cli <command> [options]\n\ncommands:\n";
    QList<CliCommand> commands = registry();
    std::sort(commands.begin(), commands.end(),
              [](const CliCommand& a, const CliCommand& b) { return a.name < b.name; });
    for (const CliCommand& c : commands)
        stream << "  " << c.usage << "\n";
    stream.flush();
    return kCliUsage;
}
} // namespace

CliRegistration::CliRegistration(CliCommand command)
{
    registry().append(std::move(command));
}

const QList<CliCommand>& cliCommands()
{
    return registry();
}

QTextStream& cliOut()
{
    static QTextStream stream(stdout);
    static const bool once = (setUtf8(stream), true);
    Q_UNUSED(once);
    return stream;
}

QTextStream& cliErr()
{
    static QTextStream stream(stderr);
    static const bool once = (setUtf8(stream), true);
    Q_UNUSED(once);
    return stream;
}

bool cliReadInput(const QString& command, const QString& name, QByteArray* data, qint64 maxBytes)
{
    const auto fail = [&](const QString& why) {
        cliErr() << "velkor-cli " << command << ": cannot read " << name << ": " << why << "\n";
        return false;
    };
    const auto tooLarge = [&] {
        const QString limit = maxBytes >= (1 << 20) ? QStringLiteral("%1 MiB").arg(maxBytes >> 20)
                                                    : QStringLiteral("%1 bytes").arg(maxBytes);
        return fail(QStringLiteral("larger than %1, the most velkor-cli %2 reads").arg(limit, command));
    };
    QFile file;
    bool opened;
    if (name == QLatin1String("-")) {
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else {
        if (QFileInfo(name).isDir())
            return fail(QStringLiteral("it is a folder"));
        file.setFileName(name);
        opened = file.open(QIODevice::ReadOnly);
    }
    if (!opened)
        return fail(file.errorString());
    if (!file.isSequential() && file.size() > maxBytes)
        return tooLarge();
    // Read in pieces up to one byte past the limit: devices and pipes tell no size beforehand.
    data->clear();
    constexpr qint64 kPiece = 1 << 20;
    for (;;) {
        const QByteArray piece = file.read(qMin(kPiece, maxBytes + 1 - data->size()));
        if (piece.isEmpty())
            break;
        data->append(piece);
        if (data->size() > maxBytes) {
            data->clear();
            return tooLarge();
        }
    }
    if (file.error() != QFileDevice::NoError) {
        data->clear();
        return fail(file.errorString());
    }
    return true;
}

int main(int argc, char* argv[])
{
    UseBinaryStandardStreams();
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first() == QLatin1String("help") || args.first() == QLatin1String("--help")) {
        const bool asked = !args.isEmpty();
        const int rc = printUsage(asked ? cliOut() : cliErr());
        return asked ? kCliOk : rc;
    }
    const QString name = args.takeFirst();
    for (const CliCommand& c : registry()) {
        if (c.name == name) {
            const int rc = c.run(args);
            cliOut().flush();
            cliErr().flush();
            return rc;
        }
    }
    cliErr() << "velkor-cli: unknown command \"" << name << "\"\n";
    return printUsage(cliErr());
}
