#pragma once
// An exclusive lock between processes, held on a lock file of its own (for a
// state file, FILE.lock beside it). The guarded file is replaced whole by a
// rename, so a lock on that file would stay with the copy being replaced; the
// lock file is never replaced nor removed, so every process locks the same one.
//
// flock on Linux, LockFileEx on Windows. The lock belongs to this object's
// open handle: two objects lock each other out, even in one process, but one
// object is no lock between the threads that share it (guard it with a mutex).

#include <cstdint>
#include <string>

namespace zul::sim {

class FileLock {
 public:
  explicit FileLock(std::string path) : path_(std::move(path)) {}
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Opens the lock file (creating it, readable by its owner only, when it is
  // missing) and waits until the lock is held. False with a message in error
  // when the file cannot be opened or locked; the open is tried again next time.
  bool Acquire(std::string& error);
  void Release();

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::intptr_t handle_ = -1;  // the open lock file: a descriptor, or a Windows handle
  bool held_ = false;
};

// Holds a lock for one scope; held() says whether it was taken.
class FileLockHold {
 public:
  FileLockHold(FileLock& lock, std::string& error) : lock_(lock), held_(lock.Acquire(error)) {}
  ~FileLockHold() {
    if (held_) lock_.Release();
  }
  FileLockHold(const FileLockHold&) = delete;
  FileLockHold& operator=(const FileLockHold&) = delete;

  bool held() const { return held_; }

 private:
  FileLock& lock_;
  bool held_;
};

}  // namespace zul::sim
