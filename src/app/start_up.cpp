#include "app/start_up.h"

#include "app/frm_main.h"
#include "common/program_folder.h"
#include "platform/single_instance.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

std::unique_ptr<frmMain> StartUp(SingleInstanceLock& lock, ProgramData& data, Prompts& prompts)
{
    if (!lock.tryAcquire())
        return nullptr;
    auto window = std::make_unique<frmMain>(data, prompts);
    window->Form_Load();
    window->show();
    // Under Program Files, for instance, nothing beside the program may be written: the settings
    // and the ADIF log would be lost at every close without a word, so the user hears it now.
    if (!ProgramFolder::isWritable())
        prompts.showMessage(ProgramFolderNotWritableMessage(ProgramFolder::path()));
    // A settings dialog opened while loading came up before the main window; the user is to
    // fill it in first, so it goes back on top, with the focus.
    if (window->settingsDialog())
        window->showSettingsDialogModeless();
    return window;
}

QString ProgramFolderNotWritableMessage(const QString& folder)
{
    return QStringLiteral("VELKOR のフォルダー %1 に書き込めません。\r\n"
                          "このままでは設定（VELKOR.ini）と ADIF ログ（Log\\Velkor.adi）が保存されません。"
                          "VELKOR のフォルダーごと、書き込めるフォルダー（たとえばドキュメントの下）に移してください。")
        .arg(folder);
}

QTranslator* InstallQtTranslations(QCoreApplication& app)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    const QString qtFolder = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
    // A deployed copy carries them in "translations" beside the program.
    for (const QString& folder : {qtFolder, ProgramFolder::filePath(QStringLiteral("translations"))}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QStringLiteral("qtbase_ja"), folder)) {
            QCoreApplication::installTranslator(translator);
            return translator;
        }
        delete translator;
    }
    return nullptr;
}
