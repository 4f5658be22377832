#pragma once
// Whole-file reads and writes for scenarios and saved states.

#include <string>

namespace zul::sim {

// The file's bytes, or false when it cannot be opened or read.
bool ReadFileText(const std::string& path, std::string& text);

// Writes text to path + ".tmp", then renames that over path, so a crash leaves
// either the old file or the new one, never half of one. On failure returns
// false with a message in error and leaves path as it was.
bool WriteFileReplacing(const std::string& path, const std::string& text, std::string& error);

}  // namespace zul::sim
