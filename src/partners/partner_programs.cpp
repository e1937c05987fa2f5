#include "partners/partner_programs.h"

#include <QDir>

const std::array<PartnerProgram, 4>& PartnerPrograms()
{
    static const std::array<PartnerProgram, 4> programs = {{
        {1, "mnuJTDXopen", QStringLiteral("JTDXを起動"), &Settings::JtdxVisible, &Settings::JtdxFile,
         QStringLiteral("JTDX ファイルを設定してください"), QStringLiteral("JTDXを起動しました"),
         QStringLiteral("JTDX VELKOR"), QStringLiteral("JTDXが終了しました"), QStringLiteral("JTDX")},
        // The message names "WSJT", not "WSJT-X", like the settings row it points to.
        {2, "mnuWSJTopen", QStringLiteral("WSJT-Xを起動"), &Settings::WsjtVisible, &Settings::WsjtFile,
         QStringLiteral("WSJT ファイルを設定してください"), QStringLiteral("WSJT-Xを起動しました"),
         QStringLiteral("WSJT-X VELKOR"), QStringLiteral("WSJT-Xが終了しました"), QStringLiteral("WSJT-X")},
        {3, "mnuMSHVopen", QStringLiteral("MSHVを起動"), &Settings::MshvVisible, &Settings::MshvFile,
         QStringLiteral("MSHV ファイルを設定してください"), QStringLiteral("MSHVを起動しました"),
         QStringLiteral("MSHV VELKOR"), QStringLiteral("MSHVが終了しました"), QStringLiteral("MSHV")},
        {4, "mnuFreeDVopen", QStringLiteral("FreeDVを起動"), &Settings::FreeDvVisible, &Settings::FreeDvFile,
         QStringLiteral("FreeDV ファイルを設定してください"), QStringLiteral("FreeDVを起動しました"),
         QStringLiteral("FreeDV VELKOR"), QStringLiteral("FreeDVが終了しました"), QStringLiteral("FreeDV")},
    }};
    return programs;
}

QString LaunchRefusedMessage(const PartnerProgram& program, const QString& path, const QString& reason)
{
    return QStringLiteral("%1を起動できませんでした\r\n%2\r\n%3")
        .arg(program.name, QDir::toNativeSeparators(path), reason);
}
