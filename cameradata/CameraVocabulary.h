#pragma once
// What the camera keeps and how its settings are named: the one place the
// window, zulctl, the audit and the simulated camera take these from.

#include <cstddef>
#include <cstdint>

namespace zul {

// A password: the camera keeps 1 to 10 characters; the tool accepts 4 to 10.
inline constexpr std::size_t kMinPassword = 4;
inline constexpr std::size_t kMaxPassword = 10;
// What the camera keeps of a text (officer, department, additional, hint).
inline constexpr std::size_t kMaxCameraText = 40;

// A setting with two choices, by its index as the camera sends it: the
// window's and the status report's words (shown), zulctl's and the audit's
// (word).
struct SettingChoice {
  const char* shown;
  const char* word;
};
inline constexpr SettingChoice kResolutionChoices[2] = {{"1080P 30FPS", "1080p"},
                                                        {"720P 30FPS", "720p"}};
inline constexpr SettingChoice kLoopRecordingChoices[2] = {{"No", "off"}, {"Yes", "on"}};

}  // namespace zul
