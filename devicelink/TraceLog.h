#pragma once
// A line-per-event log of what the tool asked of the device and the PC. Each
// line is written out as soon as it is complete, so the log survives a crash.
// Passwords never reach it: the writers mask them before a line is formed.
// Several threads may write at once: each line goes out in one piece, never
// interleaved with another.

#include <cstdio>
#include <mutex>
#include <string>

namespace zul {

class TraceLog {
 public:
  // Opens path for writing (truncating; a new file readable by its owner
  // only). Check IsOpen().
  explicit TraceLog(const std::string& path);
  // Writes to an already open stream, which the caller keeps.
  explicit TraceLog(std::FILE* stream);
  ~TraceLog();
  TraceLog(const TraceLog&) = delete;
  TraceLog& operator=(const TraceLog&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  void WriteLine(const std::string& line);

 private:
  std::FILE* file_ = nullptr;
  bool owned_ = false;
  std::mutex mutex_;
};

}  // namespace zul
