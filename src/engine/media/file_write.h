// Whole files in and out. Replacing a file safely: the bytes go to a temporary file beside the target
// (unique to this process, so two writers never share it) and are renamed over
// it, so a failed write never leaves half a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace eng {

// False with a message naming the file when it cannot be written.
bool replace_file(const std::string& path, const void* data, std::size_t size, std::string& error);

// Reads a whole file; a missing file, a directory or a read error is a
// failure with a message naming the file.
bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace eng
