#include "cli/WatchStop.h"

#include "cli/Terminal.h"

namespace zul::cli {

WatchStop::WatchStop() {
  CatchStop();
}

WatchStop::~WatchStop() {
  ReleaseStop();
}

bool WatchStop::Requested() const {
  return StopRequested();
}

}  // namespace zul::cli
