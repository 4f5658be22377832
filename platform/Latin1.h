#pragma once
// The camera's texts are 8-bit; JSON text is UTF-8. Each byte stands for the
// character of the same number (U+0000 to U+00FF), so every byte string
// round-trips through a JSON file.

#include <optional>
#include <string>
#include <string_view>

namespace zul::platform {

std::string Latin1ToUtf8(std::string_view bytes);

// Nothing when the text holds a character above U+00FF or is not UTF-8. Then
// outside, when given, holds the first character above U+00FF (its UTF-8), or
// is left empty where the text stops being UTF-8 before any such character.
std::optional<std::string> Utf8ToLatin1(std::string_view utf8, std::string* outside = nullptr);

}  // namespace zul::platform
