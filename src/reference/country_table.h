#pragma once

#include "common/prompts.h"

#include <QString>

// Country prefix tables built from Cty.dat: call sign -> primary DXCC prefix.
// (Interface agreed between modules; the loader and lookup live in country_table.cpp.)
class CountryTable
{
public:
    // Empties the tables and loads the file at path; problems are reported through prompts
    // ("NOT [Cty.dat] FILE", or the line that breaks the format). Entries before a bad line stay.
    void LoadCountryFile(const QString& path, Prompts& prompts);

    // The primary DXCC prefix of the call sign, or "?????" when nothing matches.
    QString LookupDxccPrefix(const QString& callSign) const;
};
