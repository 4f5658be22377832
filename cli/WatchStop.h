#pragma once
// What ends zulctl watch: Ctrl-C (SIGINT; on Windows the console's Ctrl-C or
// Ctrl-Break), or the end of standard input. Standard input is read on a
// thread of its own, and what it holds is passed over.

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

namespace zul::cli {

class WatchStop {
 public:
  // Catches Ctrl-C and starts reading in (unbuffered, as zulctl makes it;
  // nothing is read from it through stdio from now on).
  explicit WatchStop(std::FILE* in);
  // Puts Ctrl-C back as it was. The reading thread is joined when the input
  // ended, else left to end with the program.
  ~WatchStop();
  WatchStop(const WatchStop&) = delete;
  WatchStop& operator=(const WatchStop&) = delete;

  bool Requested() const;

 private:
  // Shared with the reading thread, which may outlive this object.
  std::shared_ptr<std::atomic<bool>> inputEnded_ = std::make_shared<std::atomic<bool>>(false);
  std::thread reader_;
};

}  // namespace zul::cli
