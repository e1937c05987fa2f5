#pragma once

#include "settings/settings.h"

#include <QString>
#include <array>

// The four partner programs, numbered as the reception set-up knows them (1 JTDX, 2 WSJT-X,
// 3 MSHV, 4 FreeDV), with the settings fields and the texts that belong to each.
struct PartnerProgram
{
    qint16 number;
    const char* launchEntry;    // objectName of the main window's launch entry
    QString launchCaption;      // "WSJT-Xを起動"
    qint16 Settings::*visible;  // the program is used: its launch entry is shown
    QString Settings::*file;    // program file started by the launch entry
    QString missingFileMessage; // "WSJT ファイルを設定してください"
    QString startedStatus;      // "WSJT-Xを起動しました"
    QString runningCaption;     // "WSJT-X VELKOR"
    QString endedStatus;        // "WSJT-Xが終了しました"
    QString name;               // "WSJT-X"
};

// JTDX, WSJT-X, MSHV, FreeDV in this order.
const std::array<PartnerProgram, 4>& PartnerPrograms();

// The message box when the system refuses to start the program file at path: the program's name,
// the file and the system's reason.
QString LaunchRefusedMessage(const PartnerProgram& program, const QString& path, const QString& reason);

// True when the settings mark the program as used; only the value 1 counts.
inline bool IsPartnerUsed(const Settings& settings, const PartnerProgram& program)
{
    return settings.*program.visible == 1;
}
