#pragma once
// The files a run reads or writes (scenario, state, roster, trace, audit, ...):
// no two of them may be one file, or one would be read as the other or
// written over it. Both programs check their list here, once, before any
// file is opened or anything is sent.

#include <span>
#include <string>

namespace zul {

struct RunFile {
  const char* role;  // "scenario", "state", "trace": what the run takes the file for
  std::string path;  // empty: the run has no such file
};

struct FileClash {
  const char* role = nullptr;  // the later file's role; nullptr: no clash
  std::string message;         // "PATH: is the state file; the trace goes to a file of its own"
  explicit operator bool() const { return role != nullptr; }
};

// The first pair of files that are one file (SameFile), the later one in
// files named by path and the earlier by role; none when every file is one of
// its own. List the files read first, those written after them.
FileClash RunFileClash(std::span<const RunFile> files);

}  // namespace zul
