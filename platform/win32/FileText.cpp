#include <windows.h>

#include <algorithm>
#include <system_error>

#include "platform/FilePath.h"
#include "platform/SystemFiles.h"

namespace zul::platform {
namespace {

// A new file of the writer's own, or INVALID_HANDLE_VALUE with the name in use
// skipped. The default security of a file the user creates is theirs to keep.
HANDLE CreateTemporary(const std::string& path, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = TemporaryName(path);
    const HANDLE h = CreateFileW(PathFromUtf8(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
  }
  return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE h, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(h, text.data() + done, part, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

// Another program that holds the file open (an editor, a virus scanner, a
// script polling it) can keep it from being replaced for a moment: wait for it
// a little before giving up.
bool MoveOver(const std::string& from, const std::string& to) {
  const std::wstring source = PathFromUtf8(from).wstring(), target = PathFromUtf8(to).wstring();
  DWORD wait = 1;
  for (DWORD waited = 0;; waited += wait, wait = std::min<DWORD>(wait * 2, 50)) {
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    const DWORD code = GetLastError();
    if ((code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) || waited >= 3000) {
      SetLastError(code);
      return false;
    }
    Sleep(wait);
  }
}

}  // namespace

std::string LastSystemError() {
  return std::error_code(static_cast<int>(GetLastError()), std::system_category()).message();
}

unsigned long CurrentProcessNumber() {
  return GetCurrentProcessId();
}

bool WriteTemporary(const std::string& path, const std::string& text, std::string& name,
                    std::string& error) {
  const HANDLE h = CreateTemporary(path, name);
  if (h == INVALID_HANDLE_VALUE) {
    error = name + ": cannot be created (" + LastSystemError() + ")";
    return false;
  }
  const bool written = WriteAll(h, text);
  const std::string why = written ? std::string() : LastSystemError();
  if (!CloseHandle(h) || !written) {
    error = name + ": cannot be written (" + (written ? LastSystemError() : why) + ")";
    DeleteFileW(PathFromUtf8(name).c_str());
    return false;
  }
  return true;
}

bool RenameOver(const std::string& from, const std::string& to, std::string& error) {
  if (MoveOver(from, to)) return true;
  error = to + ": cannot be replaced (" + LastSystemError() + ")";
  DeleteFileW(PathFromUtf8(from).c_str());
  return false;
}

}  // namespace zul::platform
