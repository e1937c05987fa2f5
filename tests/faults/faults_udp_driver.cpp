// The reception path of the program without its window, for tests that kill it: datagrams from
// FreeDV taken in by the intake, each contact kept in the outbox, written to the ADIF log and
// appended to the built-in store along the pipeline the main window builds; at start, what the
// outbox holds is reconciled by the pipeline's start-up work. Prints "port N" once it listens and "appended CALL"
// for every contact the store has taken since (the moment the window reports it), each line
// flushed at once.
//
//   faults_udp_driver PROGRAM_FOLDER PORT
#include "delivery/program_data.h"
#include "common/program_folder.h"
#include "common/prompts.h"
#include "delivery/adif_log.h"
#include "delivery/contact_pipeline.h"
#include "hamlog/builtin_store.h"
#include "reception/contact_intake.h"
#include "reception/udp_receiver.h"
#include "reference/country_table.h"
#include "reference/dxcc_table.h"
#include "settings/settings_file.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

namespace {

void say(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

class PrintedPrompts : public Prompts
{
public:
    void showMessage(const QString& text) override { say(QStringLiteral("box ") + text.simplified()); }
    bool askOkCancel(const QString& text) override
    {
        showMessage(text);
        return true;
    }
};

class Host : public HamlogHost
{
public:
    void setStatusText(const QString&) override {}
    void setLastCallSign(const QString&) override {}
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    ProgramFolder::setPath(args[1]);
    PrintedPrompts prompts;
    ProgramData data;
    LoadWithoutWindow(data, prompts);
    const Settings& settings = data.settings;
    const CountryTable& countries = data.countryTable;
    const DxccTable& dxcc = data.dxccTable;
    Host host;
    ContactPipeline pipeline(settings, countries, dxcc, prompts, host, std::make_unique<BuiltinStore>());
    pipeline.startUp(AdifLogPath(), prompts);
    QObject::connect(&pipeline, &ContactPipeline::contactAppended,
                     [](const QString& call, bool) { say(QStringLiteral("appended ") + call); });

    UdpReceiver receiver;
    const qint16 freeDv = 4;
    ContactIntake intake(receiver, pipeline, freeDv, AdifLogPath());
    QObject::connect(&receiver, &UdpReceiver::datagramsWaiting, [&] { intake.dataArrived(); });
    const ListenOutcome outcome = receiver.listen(QStringLiteral("127.0.0.1"), args[2].toInt());
    if (!outcome.listening) {
        say(QStringLiteral("cannot listen: ") + outcome.note);
        return 1;
    }
    say(QStringLiteral("port ") + QString::number(receiver.localPort()));
    return app.exec();
}
