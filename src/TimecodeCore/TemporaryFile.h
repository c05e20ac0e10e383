#pragma once

#include <filesystem>
#include <string_view>

namespace timecode {

// The system's folder for temporary files.
std::filesystem::path temporaryDirectory();

// Writes `data` to a new file in the temporary folder, named by a fresh random UUID
// in upper case with no extension, and returns its path. Throws
// std::filesystem::filesystem_error when the file cannot be written.
std::filesystem::path writeToTemporaryFile(std::string_view data);

}  // namespace timecode
