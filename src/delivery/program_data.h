#pragma once

#include "reference/country_table.h"
#include "reference/dxcc_table.h"
#include "settings/settings.h"

#include <QString>

// The data that lives as long as the program and is shared by every window: the settings record,
// the two reference tables and the path of the ADIF log.
struct ProgramData
{
    Settings settings;
    CountryTable countryTable;
    DxccTable dxccTable;
    QString AdifLogPath; // the program's folder followed by "\Log\Velkor.adi", set while loading
};

class Prompts;

// Reads the settings file at settingsPath and loads Cty.dat and TH_DX.dat from the program's folder
// into data, in the order the main window loads them, for the tools that run without it; messages
// go to prompts.
void LoadWithoutWindow(ProgramData& data, Prompts& prompts, const QString& settingsPath = QString());

// The one instance of the program.
ProgramData& Program();

// Replaces the instance with a fresh one (tests start each case from process-start values).
void ResetProgramData();
