#include "app/frm_main.h"
#include "app/message_box_prompts.h"
#include "app/start_up.h"
#include "common/app_info.h"
#include "delivery/program_data.h"
#include "platform/single_instance.h"
#include "platform/window_stacking_gui.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppInfo::title());
    InstallQtTranslations(app);
    KeepDialogsAboveTopmostOwners(app);

    SingleInstanceLock lock;
    MessageBoxPrompts prompts;
    const std::unique_ptr<frmMain> window = StartUp(lock, Program(), prompts);
    if (!window)
        return 0; // another copy runs
    return app.exec();
}
