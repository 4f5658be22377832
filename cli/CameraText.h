#pragma once
// Every text zulctl sends to a camera (set-hint and set-reference, on one
// camera, with --all or under watch, and a roster's cells for apply) becomes
// the camera's bytes here, and nowhere else: one byte a character, Latin-1,
// the camera's code page, at most 40 of them.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "cameradata/CameraVocabulary.h"

namespace zul::cli {

// The camera's bytes for the UTF-8 text. Nothing, with why in refusal (a
// phrase starting "holds ", to follow the text's name), for a character
// above U+00FF (named), bytes that are not UTF-8, a zero character, or more
// than 40 characters.
std::optional<std::string> CameraText(std::string_view utf8, std::string& refusal);

}  // namespace zul::cli
