#pragma once

#include <QString>

#include <functional>

// File attributes that decide whether a file counts as present. The program's own files and the
// partner programs are looked for as a user would in Explorer: a file marked hidden or system is
// taken as missing. On Windows those are the file's attribute bits; elsewhere a name starting with
// "." is hidden and nothing is a system file.
namespace FileAttributes {

// True when the file at path is marked hidden or system (false when there is no file).
bool isHiddenOrSystem(const QString& path);

// True when path names a regular file that is neither hidden nor system.
bool isVisibleFile(const QString& path);

// Tests on systems without the system attribute put their own answer in place; an empty function
// restores the system's.
void setMarkedForTesting(std::function<bool(const QString&)> marked);

} // namespace FileAttributes
