// velkor-screenshots OUTPUT_FOLDER [SAMPLE_FOLDER]
// Starts VELKOR as a newcomer would see it (a program folder without a settings file, the sample
// country files copied in), and saves the main window and the settings dialog as
// main_window.png and settings_dialog.png in OUTPUT_FOLDER.
#include "app/frm_main.h"
#include "delivery/program_data.h"
#include "common/program_folder.h"
#include "settings/frm_settings.h"

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

    bool ok = save(&window, QDir(output).filePath(QStringLiteral("main_window.png")));
    if (frmSettings* dialog = window.settingsDialog()) {
        QTest::qWaitForWindowExposed(dialog);
        ok = save(dialog, QDir(output).filePath(QStringLiteral("settings_dialog.png"))) && ok;
        dialog->reject();
    } else {
        ok = false;
    }
    // Closing writes the settings file into the scratch folder, which goes with it.
    window.close();
    return ok ? 0 : 1;
}
