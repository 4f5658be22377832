#pragma once
// Volume arrivals and removals on Windows: the system broadcasts
// WM_DEVICECHANGE (DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE) with a
// DEV_BROADCAST_VOLUME whose unit mask names the drive letters, to every
// top-level window. A message-only window takes no broadcast, so the notices
// go to a hidden top-level window of this thread, never shown; Wait pumps its
// messages.

#include <cstdint>
#include <vector>

#include "cli/DeviceNotices.h"

namespace zul::cli {

// The notices a DEV_BROADCAST_VOLUME unit mask stands for: one per letter
// from D: to Z: (bit 0 is A:), in letter order.
std::vector<DeviceNotice> VolumeMaskNotices(DeviceNotice::Change change, std::uint32_t unitMask);

// The window's class name, for tests that look for it.
inline constexpr wchar_t kVolumeNoticeClass[] = L"zulctl volume notices";

}  // namespace zul::cli
