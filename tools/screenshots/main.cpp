// velkor-screenshots OUTPUT_FOLDER [SAMPLE_FOLDER [SUFFIX]]
// Starts VELKOR as a newcomer would see it (a program folder without a settings file, the sample
// country files copied in), and saves the main window and the settings dialog as
// main_window.png and settings_dialog.png in OUTPUT_FOLDER; then, with a contact that could not
// be appended and one refused, the main window again (main_window_waiting.png), the list of
// those contacts (outbox_window.png) and the import window with a small file
// (import_window.png). SUFFIX goes before ".png" (shots at another display scale).
#include "adif_import/frm_adif_conv.h"
#include "app/frm_main.h"
#include "app/frm_outbox.h"
#include "delivery/program_data.h"
#include "common/program_folder.h"
#include "delivery/contact_delivery.h"
#include "settings/frm_settings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

// Message boxes would wait for a click on a display nobody looks at; say them on stderr.
class StderrPrompts : public Prompts
{
public:
    void showMessage(const QString& text) override { QTextStream(stderr) << "message: " << text << '\n'; }
    bool askOkCancel(const QString& text) override
    {
        showMessage(text);
        return true;
    }
};

bool save(QWidget* window, const QString& path)
{
    window->raise();
    QTest::qWait(300);
    if (!window->grab().save(path)) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: velkor-screenshots OUTPUT_FOLDER [SAMPLE_FOLDER]\n";
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString suffix = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    const auto shot = [&output, &suffix](const char* name) {
        return QDir(output).filePath(QLatin1String(name) + suffix + QStringLiteral(".png"));
    };
    QDir().mkpath(output);

    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    ProgramFolder::setPath(folder.path());
    if (argc > 2) {
        const QDir samples(QString::fromLocal8Bit(argv[2]));
        for (const QString& name : samples.entryList(QDir::Files))
            QFile::copy(samples.filePath(name), folder.filePath(name));
    }

    StderrPrompts prompts;
    frmMain window(Program(), prompts);
    window.setHelpOpener([](QWidget*, const QString&) {});
    window.Form_Load(); // no settings file: the message, then the settings dialog
    window.move(40, 40);
    window.show();
    QTest::qWaitForWindowExposed(&window);

    bool ok = save(&window, shot("main_window"));
    if (frmSettings* dialog = window.settingsDialog()) {
        QTest::qWaitForWindowExposed(dialog);
        ok = save(dialog, shot("settings_dialog")) && ok;
        dialog->reject();
    } else {
        ok = false;
    }

    // A contact the database did not take (no database set) and one refused as junk.
    const QString contact = QStringLiteral("<call:6>JA1ABC <gridsquare:4>PM95 <mode:3>FT8 <rst_sent:3>-10 "
                                           "<rst_rcvd:3>-12 <qso_date:8>20240315 <time_on:6>123015 "
                                           "<band:3>20m <freq:9>14.074150 <eor>");
    const QList<qint64> ids =
        window.delivery().take({contact, QStringLiteral("<call:6>JA1#XZ <mode:3>FT8 <eor>")}, 2);
    window.delivery().deliver({{ids.value(0), contact}});
    window.setStatusText(HamlogTransfer::transferredText(438, 12));
    QTest::qWait(100);
    ok = save(&window, shot("main_window_waiting")) && ok;

    window.findChild<QAction*>(QStringLiteral("mnuOutbox"))->trigger();
    if (frmOutbox* list = window.outboxWindow()) {
        QTest::qWaitForWindowExposed(list);
        ok = save(list, shot("outbox_window")) && ok;
        list->close();
    }

    QFile adif(folder.filePath(QStringLiteral("Log/sample.adi")));
    if (adif.open(QIODevice::WriteOnly)) {
        adif.write("ADIF Export\r\n<eoh>\r\n");
        for (int i = 1; i <= 12; ++i)
            adif.write(QStringLiteral("<call:5>JA%1XY <mode:3>FT8 <qso_date:8>20240315 <time_on:6>1230%2 "
                                      "<band:3>20m <freq:9>14.074150 <eor>\r\n")
                           .arg(i % 10)
                           .arg(i, 2, 10, QLatin1Char('0'))
                           .toLatin1());
        adif.close();
    }
    frmAdifConv import(prompts, {}, &window);
    import.show();
    QTest::qWaitForWindowExposed(&import);
    import.LoadAdifFile(adif.fileName());
    ok = save(&import, shot("import_window")) && ok;
    import.reject();
    // Closing writes the settings file into the scratch folder, which goes with it.
    window.close();
    return ok ? 0 : 1;
}
