#pragma once
// What the login and new-password flows accept, and the buffers they read
// the fields into (wiped after use).

#include <cstddef>

#include "cameradata/CameraVocabulary.h"

namespace zul::ui {

// Room for one character more than a field takes, so too long a text shows.
inline constexpr std::size_t kPasswordBuffer = kMaxPassword + 2;
// Room for 41 characters: one more than the camera keeps.
inline constexpr std::size_t kTextBuffer = 42;

}  // namespace zul::ui
