#pragma once

#include <QString>

// The program's own files are opened only when they are regular files: opening a named pipe
// (FIFO) waits for a writer or a reader that never comes, and a device is no file of ours.
namespace RegularFile {

// Empty when nothing is at path or it is a regular file (or a link to one); otherwise a text for
// the user naming the file and what it is instead.
QString problem(const QString& path);

} // namespace RegularFile
