#pragma once
// Whole-file reads and all-or-nothing writes for the self-updater.

#include <string>

namespace brightwick {

// False when the file cannot be opened or read in full.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Writes the bytes to a temporary file beside `path` and then moves it over
// `path`; on any failure the former file stays as it was and nothing is left
// behind.
bool ReplaceFileContent(const std::string& path, const std::string& bytes);

}  // namespace brightwick
