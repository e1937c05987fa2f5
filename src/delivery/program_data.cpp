#include "delivery/program_data.h"

#include "settings/settings_file.h"

#include <memory>

namespace {
std::unique_ptr<ProgramData>& instance()
{
    static std::unique_ptr<ProgramData> data = std::make_unique<ProgramData>();
    return data;
}
} // namespace

ProgramData& Program()
{
    return *instance();
}

void ResetProgramData()
{
    instance() = std::make_unique<ProgramData>();
}

void LoadWithoutWindow(ProgramData& data, Prompts& prompts, const QString& settingsPath)
{
    NoSettingsWindow window;
    ReadSettingsFile(data.settings, window, prompts,
                     settingsPath.isEmpty() ? SettingsFilePath() : settingsPath);
    data.countryTable.LoadCountryFile(CountryFilePath(), prompts);
    data.dxccTable.LoadDxccFile(DxccFilePath(), prompts);
}
