#pragma once

#include "common/prompts.h"

#include <QString>

// The two texts a TH_DX.dat line gives for a primary DXCC prefix.
struct DxccColumns
{
    QString columnA;
    QString columnB;
};

// HAMLOG's DXCC line table from TH_DX.dat.
// (Interface agreed between modules; the loader and lookup live in dxcc_table.cpp.)
class DxccTable
{
public:
    // Empties the table and loads the file at path (8-bit code page); a missing file is
    // reported through prompts.
    void LoadDxccFile(const QString& path, Prompts& prompts);

    // Columns A and B of the first line whose prefix matches; both empty when none does.
    DxccColumns FindDxccLine(const QString& prefix) const;
};
