#include "TraceLog.h"

#include "FilePath.h"
#include "TraceFile.h"

namespace zul {

TraceLog::TraceLog(const std::string& path) : file_(OpenTraceFile(path)), owned_(true) {}

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

std::string TraceFileClash(const std::string& tracePath, const std::string& scenarioPath,
                           const std::string& statePath, const std::string& rosterPath) {
  if (tracePath.empty()) return {};
  const char* what = nullptr;
  if (!scenarioPath.empty() && SameFile(tracePath, scenarioPath)) what = "scenario";
  if (!statePath.empty() && SameFile(tracePath, statePath)) what = "state";
  if (!rosterPath.empty() && SameFile(tracePath, rosterPath)) what = "roster";
  if (!what) return {};
  return tracePath + ": is the " + what + " file; the trace goes to a file of its own";
}

}  // namespace zul
