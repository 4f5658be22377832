#include <windows.h>

#include <string>

#include "platform/FilePath.h"

namespace zul::platform {
namespace {

std::wstring FullName(const std::filesystem::path& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path.native();
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return path.native();
  full.resize(length);
  return full;
}

struct Identity {
  bool exists = false;
  bool known = false;  // volume and index read
  DWORD volume = 0, indexHigh = 0, indexLow = 0;
};

// The file's volume and index, when it exists and can be asked (no access to
// its contents is needed; folders open too).
Identity IdentityOf(const std::filesystem::path& path) {
  Identity id;
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return id;
  id.exists = true;
  const HANDLE file =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return id;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(file, &info)) {
    id.volume = info.dwVolumeSerialNumber;
    id.indexHigh = info.nFileIndexHigh;
    id.indexLow = info.nFileIndexLow;
    id.known = true;
  }
  CloseHandle(file);
  return id;
}

}  // namespace

bool SameFile(std::string_view a, std::string_view b) {
  const std::filesystem::path pa = PathFromUtf8(a), pb = PathFromUtf8(b);
  const std::wstring fullA = FullName(pa), fullB = FullName(pb);
  const bool sameName =
      CompareStringOrdinal(fullA.c_str(), static_cast<int>(fullA.size()), fullB.c_str(),
                           static_cast<int>(fullB.size()), TRUE) == CSTR_EQUAL;
  const Identity ia = IdentityOf(pa), ib = IdentityOf(pb);
  if (ia.exists && ib.exists) {
    // A file that could not be asked is known by its name alone.
    if (!ia.known || !ib.known) return sameName;
    return ia.volume == ib.volume && ia.indexHigh == ib.indexHigh && ia.indexLow == ib.indexLow;
  }
  if (ia.exists || ib.exists) return false;
  return sameName;
}

}  // namespace zul::platform
