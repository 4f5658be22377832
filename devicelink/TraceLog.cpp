#include "TraceLog.h"

#include "FilePath.h"

namespace zul {

namespace {

std::FILE* OpenForWriting(const std::string& path) {
#if defined(_WIN32)
  return _wfopen(PathFromUtf8(path).c_str(), L"wb");
#else
  return std::fopen(PathFromUtf8(path).c_str(), "wb");
#endif
}

}  // namespace

TraceLog::TraceLog(const std::string& path) : file_(OpenForWriting(path)), owned_(true) {}

TraceLog::TraceLog(std::FILE* stream) : file_(stream) {}

TraceLog::~TraceLog() {
  if (owned_ && file_) std::fclose(file_);
}

void TraceLog::WriteLine(const std::string& line) {
  if (!file_) return;
  const std::string whole = line + "\n";
  const std::lock_guard<std::mutex> lock(mutex_);
  std::fwrite(whole.data(), 1, whole.size(), file_);
  std::fflush(file_);
}

}  // namespace zul
