#pragma once

#include "common/prompts.h"
#include "settings/settings.h"

#include <QString>

// What reading and writing VELKOR.ini needs from the main window. The window layer implements it
// with the real frmMain; tests use a fake.
class SettingsWindow
{
public:
    virtual ~SettingsWindow() = default;
    // Window position in twips (1/1440 inch).
    virtual void setTopTwips(float twips) = 0;
    virtual void setLeftTwips(float twips) = 0;
    virtual float topTwips() const = 0;
    virtual float leftTwips() const = 0;
    // Restores a minimized or maximized window to its normal state.
    virtual void showNormal() = 0;
    virtual bool isMinimized() const = 0;
    // Shows the settings dialog without waiting for it to close.
    virtual void showSettingsDialogModeless() = 0;
};

// For readers without a window (the command-line tools): position and dialog requests are ignored.
class NoSettingsWindow : public SettingsWindow
{
public:
    void setTopTwips(float) override {}
    void setLeftTwips(float) override {}
    float topTwips() const override { return 0; }
    float leftTwips() const override { return 0; }
    void showNormal() override {}
    bool isMinimized() const override { return false; }
    void showSettingsDialogModeless() override {}
};

// The program's folder followed by "VELKOR.ini".
QString SettingsFilePath();

// Fills the record from the file at path (see settings_file.cpp for the rules); may move the
// window, show a message and open the settings dialog without waiting.
void ReadSettingsFile(Settings& settings, SettingsWindow& window, Prompts& prompts,
                      const QString& path = SettingsFilePath());

// The addresses and ports a settings file without them gives: an empty address becomes
// "127.0.0.1", a port of 0 the partner's own (2433, 2333, 2233, 2133).
void ApplyAddressDefaults(Settings& settings);
// True for the record as it stands before any settings file was read: no address, every port 0.
bool HasNoAddresses(const Settings& settings);

// Writes the whole record (and the window position) to the file at path, replacing the old file
// only once the new one is complete. Returns false when nothing was written; callers stay silent.
bool WriteSettingsFile(const Settings& settings, SettingsWindow& window,
                       const QString& path = SettingsFilePath());
