#include "devicelink/TraceLog.h"

#include "platform/FilePath.h"
#include "platform/TraceFile.h"

namespace zul {

TraceLog::TraceLog(const std::string& path) : file_(platform::OpenTraceFile(path)), owned_(true) {}

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
