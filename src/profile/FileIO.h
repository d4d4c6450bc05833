#pragma once

#include <optional>
#include <string>

// Whole-file reads and writes for the profile file. File names are UTF-8 paths passed to the
// operating system unchanged. Failures throw EFileError with the file name and the system's reason.

// The file's bytes, or nothing when the file does not exist. Anything that is not a regular file
// (a directory, a device, a pipe) is an error.
std::optional<std::string> ReadWholeFile(const std::string& fileName);

// Replaces the file's content without ever leaving it half-written: the text goes to a temporary
// file in the same folder, which is flushed to disk and then renamed over the target. On failure
// the temporary file is removed and an existing file is untouched. An existing file keeps its
// permissions; a file without any write permission is not replaced.
void WriteWholeFile(const std::string& fileName, const std::string& content);
