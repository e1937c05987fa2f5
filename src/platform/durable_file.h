#pragma once

#include <string>

// Appending to a file so that a power cut right after the call cannot lose what was appended,
// and a write that fails half-way leaves the file as it was. Kept free of Qt.
namespace DurableFile {

// Appends data to the file at path (UTF-8, native separators), creating the file when it is missing. When the
// file is empty (just created, or left empty), header is written before data. The bytes are on the disk when
// the call returns true. On failure the file is cut back to the length it had (a file the call created is
// removed) where the system allows it, and the call returns false.
bool append(const std::string& path, const std::string& header, const std::string& data);

// Gives the complete file at from the name to, in one step, but only when nothing has that name
// yet: an existing file is never replaced. On success from is gone and the new name is on the disk.
// On failure nothing changed; exists tells whether the name was taken.
bool publishNew(const std::string& from, const std::string& to, bool& exists);

// Replaces the whole file at path with data: written to a file beside it, put on the disk, then
// given the name in one step. A crash at any instant leaves either the old file or the new one,
// never a mix. False when it could not be done; the old file is then as it was.
bool replace(const std::string& path, const std::string& data);

} // namespace DurableFile
