#pragma once
// What ends zulctl watch: a request to stop (Terminal.h's CatchStop: Ctrl-C,
// SIGTERM, a hang-up; on Windows the console's Ctrl-C, Ctrl-Break or closing).
// Standard input is not read: once the password is in, its end means nothing,
// and a watch in the background never touches the terminal.

namespace zul::cli {

class WatchStop {
 public:
  WatchStop();   // catches the requests
  ~WatchStop();  // and lets them go as they were
  WatchStop(const WatchStop&) = delete;
  WatchStop& operator=(const WatchStop&) = delete;

  bool Requested() const;
};

}  // namespace zul::cli
