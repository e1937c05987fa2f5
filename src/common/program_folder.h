#pragma once

#include <QString>

// The folder that holds the program file. Every file of the program's own (settings, country
// tables, log folder, help) lies there.
namespace ProgramFolder {

// The folder with native separators and no trailing separator.
QString path();

// The folder joined with a relative name ("Log/Velkor.adi"), with native separators.
QString filePath(const QString& relative);

// Whether a file can be made in the folder: the settings and the ADIF log are written there.
// (Probed by making a file: on Windows a folder's attributes say nothing about the user's rights.)
bool isWritable();

// Points the program at another folder (tests, the command-line tool's --dir). An empty text
// returns to the folder of the running executable.
void setPath(const QString& folder);

} // namespace ProgramFolder
