#include "platform/AppendFile.h"

#include <windows.h>

#include <algorithm>

#include "platform/FilePath.h"
#include "platform/SystemFiles.h"
#include "platform/win32/WideText.h"

namespace zul::platform {

std::intptr_t OpenForAppending(const std::string& path, std::string& error) {
  // Append-only access: every write lands at the end of the file (its size
  // is read before each line, to cut a line that did not go whole).
  const HANDLE h = CreateFileW(PathFromUtf8(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = path + ": cannot be opened for appending (" + platform::LastSystemError() + ")";
    return -1;
  }
  return reinterpret_cast<std::intptr_t>(h);
}

namespace {

// Cuts the file at path back to size, through a handle of its own: the
// appending one may not set the end of the file.
bool CutBack(const std::string& path, const LARGE_INTEGER& size) {
  const HANDLE h = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool cut = SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  return cut;
}

}  // namespace

bool AppendBytes(std::intptr_t file, const std::string& path, const std::string& bytes,
                 std::string& error) {
  const HANDLE h = reinterpret_cast<HANDLE>(file);
  LARGE_INTEGER before{};
  if (!GetFileSizeEx(h, &before)) {
    error = platform::LastSystemError();
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr)) {
      error = platform::LastSystemError();  // this call's error, before anything else runs
      break;
    }
    if (written == 0) {
      error = "nothing could be written";
      break;
    }
    done += written;
  }
  if (done == bytes.size()) return true;
  if (done > 0 && !CutBack(path, before)) {
    error += "; the part written could not be taken back (" + platform::LastSystemError() + ")";
  }
  return false;
}

}  // namespace zul::platform
