#include "devicelink/RunFiles.h"

#include "platform/FilePath.h"

namespace zul {

FileClash RunFileClash(std::span<const RunFile> files) {
  for (std::size_t later = 1; later < files.size(); ++later) {
    const RunFile& l = files[later];
    if (l.path.empty()) continue;
    for (std::size_t earlier = 0; earlier < later; ++earlier) {
      const RunFile& e = files[earlier];
      if (e.path.empty() || !platform::SameFile(l.path, e.path)) continue;
      return {l.role, l.path + ": is the " + e.role + " file; the " + l.role +
                          " goes to a file of its own"};
    }
  }
  return {};
}

}  // namespace zul
