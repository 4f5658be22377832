#pragma once
// An exclusive lock between processes, held on a lock file of its own (for a
// state file, FILE.lock beside it). The guarded file is replaced whole by a
// rename, so a lock on that file would stay with the copy being replaced; the
// lock file is never replaced nor removed, so every process locks the same one.
//
// flock on Linux, LockFileEx on Windows; both hold on a file opened for
// reading only, so a user who may not write the lock file (one made by
// another user of a shared file) still takes the lock. The lock belongs to this object's
// open handle: two objects lock each other out, even in one process, but one
// object is no lock between the threads that share it (guard it with a mutex).

#include <cstdint>
#include <string>

namespace zul::platform {

class FileLock {
 public:
  // path: the lock file; guarded: the file it guards, whose mode a new lock
  // file takes, so that whoever may use that file may also lock it.
  FileLock(std::string path, std::string guarded)
      : path_(std::move(path)), guarded_(std::move(guarded)) {}
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Opens the lock file (creating it with the guarded file's mode, owner-only
  // when that file is missing too) and waits until the lock is held. False with a message in error
  // when the file cannot be opened or locked; the open is tried again next time.
  bool Acquire(std::string& error);
  void Release();

  const std::string& path() const { return path_; }

 private:
  std::string path_, guarded_;
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

}  // namespace zul::platform
