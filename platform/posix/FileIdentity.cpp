#include <sys/stat.h>

#include <system_error>

#include "platform/FilePath.h"

namespace zul::platform {
namespace {

namespace fs = std::filesystem;

// Where a file still to be written will be: absolute, its folders' links
// followed, and a link in its own name followed to the file it will write.
fs::path PlaceOf(const fs::path& path) {
  std::error_code ec;
  fs::path place = fs::absolute(path, ec);
  if (ec) place = path;
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(place, ec)); ++hops) {
    const fs::path target = fs::read_symlink(place, ec);
    if (ec) break;
    place = target.is_absolute() ? target : place.parent_path() / target;
  }
  fs::path full = fs::weakly_canonical(place, ec);
  return ec ? place.lexically_normal() : full;
}

}  // namespace

bool SameFile(std::string_view a, std::string_view b) {
  const fs::path pa = PathFromUtf8(a), pb = PathFromUtf8(b);
  struct stat sa {
  }, sb{};
  const bool hasA = ::stat(pa.c_str(), &sa) == 0, hasB = ::stat(pb.c_str(), &sb) == 0;
  if (hasA && hasB) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  if (hasA || hasB) return false;
  return PlaceOf(pa) == PlaceOf(pb);
}

}  // namespace zul::platform
