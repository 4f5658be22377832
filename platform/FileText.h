#pragma once
// Whole-file reads and writes for scenarios and saved states. Paths are UTF-8.

#include <string>

namespace zul::platform {

// The file's bytes, or false when it cannot be opened or read.
bool ReadFileText(const std::string& path, std::string& text);

// Writes text to a temporary file of its own beside path (path + ".tmp-" and
// a name no other writer uses), readable by its owner only, then renames that
// over path in one step: a reader finds the old file or the new one, never
// half of one nor none. On failure returns false with a message in error,
// removes the temporary file and leaves path as it was.
bool WriteFileReplacing(const std::string& path, const std::string& text, std::string& error);

}  // namespace zul::platform
