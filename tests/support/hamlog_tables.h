#pragma once

#include "fake_prompts.h"
#include "temp_folder.h"

#include "platform/code_page.h"
#include "reference/country_table.h"
#include "reference/dxcc_table.h"

// Small country and DXCC tables for HAMLOG conversion tests, loaded from files written into a
// scratch program folder: JA (Japan), K (United States) and DL (Germany, no TH_DX.dat line).
struct HamlogTestTables
{
    TempProgramFolder folder;
    CountryTable countries;
    DxccTable dxcc;
    FakePrompts prompts;

    HamlogTestTables()
    {
        auto header = [](const QString& name, const QString& prefix) {
            return (name + QLatin1Char(':')).leftJustified(69, QLatin1Char(' ')) + prefix + QLatin1Char(':');
        };
        const QString cty = header(QStringLiteral("Japan"), QStringLiteral("JA")) + "\r\n    JA,JE,7J;\r\n" +
                            header(QStringLiteral("United States"), QStringLiteral("K")) +
                            "\r\n    K,N,W,AA;\r\n" +
                            header(QStringLiteral("Germany"), QStringLiteral("DL")) + "\r\n    DL,DA;\r\n";
        folder.write(QStringLiteral("Cty.dat"), cty.toLatin1());
        const QString thdx = QStringLiteral("JA    JA    日本\r\nK     K     アメリカ合衆国\r\n");
        folder.write(QStringLiteral("TH_DX.dat"), CodePage::fromUnicode(thdx));
        countries.LoadCountryFile(folder.filePath(QStringLiteral("Cty.dat")), prompts);
        dxcc.LoadDxccFile(folder.filePath(QStringLiteral("TH_DX.dat")), prompts);
    }
};
