#pragma once

#include "common/prompts.h"
#include "reference/first_key_index.h"

#include <QString>
#include <QStringList>

// The two texts a TH_DX.dat line gives for a primary DXCC prefix.
struct DxccColumns
{
    QString columnA;
    QString columnB;
};

// HAMLOG's DXCC line table from TH_DX.dat: fixed-column lines, the primary prefix in columns 1 to
// 5, column A in 7 to 12, column B from 13 to the end.
//
// The lines are kept whole in file order; an index from the trimmed prefix of each line to the
// first line that carries it answers a lookup as a scan from the top would.
class DxccTable
{
public:
    // Empties the table and loads the file at path (8-bit code page); a missing file is
    // reported through prompts, a file that cannot be read keeps quiet.
    void LoadDxccFile(const QString& path, Prompts& prompts);

    // Columns A and B of the first line whose prefix matches; both empty when none does.
    DxccColumns FindDxccLine(const QString& prefix) const;

    // Splits one line into its columns (A: 7 to 12, B: 13 to the end, both trimmed of spaces).
    static DxccColumns columnsOf(const QString& line);
    // The prefix a line is looked up by: columns 1 to 5, trimmed of spaces.
    static QString prefixOf(const QString& line);

    void clear();
    const QStringList& lines() const { return m_lines; }

private:
    QStringList m_lines;
    FirstKeyIndex<DxccColumns> m_index; // trimmed prefix -> columns of the first line that carries it
};

// The program's folder followed by "TH_DX.dat".
QString DxccFilePath();
