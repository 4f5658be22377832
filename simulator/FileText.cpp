#include "FileText.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <system_error>

#include "FilePath.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

namespace zul::sim {
namespace {

std::atomic<unsigned> temporaryCount{0};

// The process and a count, so that no two writers, in one process or in
// several, ever share a temporary file.
std::string TemporaryName(const std::string& path) {
#if defined(_WIN32)
  const unsigned long process = GetCurrentProcessId();
#else
  const long process = getpid();
#endif
  return path + ".tmp-" + std::to_string(process) + "-" + std::to_string(temporaryCount++);
}

#if defined(_WIN32)

std::string LastError() {
  return std::error_code(static_cast<int>(GetLastError()), std::system_category()).message();
}

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

bool WriteTemporary(const std::string& path, const std::string& text, std::string& name,
                    std::string& error) {
  const HANDLE h = CreateTemporary(path, name);
  if (h == INVALID_HANDLE_VALUE) {
    error = name + ": cannot be created (" + LastError() + ")";
    return false;
  }
  const bool written = WriteAll(h, text);
  const std::string why = written ? std::string() : LastError();
  if (!CloseHandle(h) || !written) {
    error = name + ": cannot be written (" + (written ? LastError() : why) + ")";
    DeleteFileW(PathFromUtf8(name).c_str());
    return false;
  }
  return true;
}

bool RenameOver(const std::string& from, const std::string& to, std::string& error) {
  if (MoveOver(from, to)) return true;
  error = to + ": cannot be replaced (" + LastError() + ")";
  DeleteFileW(PathFromUtf8(from).c_str());
  return false;
}

#else

std::string LastError() {
  return std::error_code(errno, std::generic_category()).message();
}

bool WriteTemporary(const std::string& path, const std::string& text, std::string& name,
                    std::string& error) {
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    name = TemporaryName(path);
    fd = open(PathFromUtf8(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = name + ": cannot be created (" + LastError() + ")";
    return false;
  }
  std::size_t done = 0;
  bool written = true;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      written = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  const std::string why = written ? std::string() : LastError();
  if (close(fd) != 0 || !written) {
    error = name + ": cannot be written (" + (written ? LastError() : why) + ")";
    unlink(PathFromUtf8(name).c_str());
    return false;
  }
  return true;
}

bool RenameOver(const std::string& from, const std::string& to, std::string& error) {
  if (std::rename(PathFromUtf8(from).c_str(), PathFromUtf8(to).c_str()) == 0) return true;
  error = to + ": cannot be replaced (" + LastError() + ")";
  unlink(PathFromUtf8(from).c_str());
  return false;
}

#endif

}  // namespace

bool ReadFileText(const std::string& path, std::string& text) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return false;
  text = bytes.str();
  return true;
}

bool WriteFileReplacing(const std::string& path, const std::string& text, std::string& error) {
  std::string temporary;
  return WriteTemporary(path, text, temporary, error) && RenameOver(temporary, path, error);
}

}  // namespace zul::sim
