#include "app/start_up.h"

#include "app/frm_main.h"
#include "platform/single_instance.h"

std::unique_ptr<frmMain> StartUp(SingleInstanceLock& lock, ProgramData& data, Prompts& prompts)
{
    if (!lock.tryAcquire())
        return nullptr;
    auto window = std::make_unique<frmMain>(data, prompts);
    window->Form_Load();
    window->show();
    return window;
}
