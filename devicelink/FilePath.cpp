#include "FilePath.h"

#include <cwctype>
#include <system_error>

namespace zul {
namespace {

namespace fs = std::filesystem;

fs::path::string_type Normalised(const fs::path& path) {
  std::error_code ec;
  fs::path full = fs::weakly_canonical(path, ec);
  if (ec) full = fs::absolute(path, ec).lexically_normal();
  fs::path::string_type name = full.native();
#if defined(_WIN32)
  // Windows file names ignore case.
  for (auto& ch : name) ch = static_cast<fs::path::value_type>(std::towlower(ch));
#endif
  return name;
}

}  // namespace

bool SameFile(std::string_view a, std::string_view b) {
  const fs::path pa = PathFromUtf8(a), pb = PathFromUtf8(b);
  std::error_code ea, eb;
  const bool hasA = fs::exists(pa, ea), hasB = fs::exists(pb, eb);
  if (hasA && hasB) {
    std::error_code ec;
    return fs::equivalent(pa, pb, ec);
  }
  if (hasA || hasB) return false;
  return Normalised(pa) == Normalised(pb);
}

}  // namespace zul
