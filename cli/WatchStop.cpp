#include "WatchStop.h"

#include "Terminal.h"

namespace zul::cli {

WatchStop::WatchStop(std::FILE* in) {
  CatchInterrupt();
  reader_ = std::thread([ended = inputEnded_, in] {
    ReadToEnd(in);
    *ended = true;
  });
}

WatchStop::~WatchStop() {
  ReleaseInterrupt();
  if (*inputEnded_) {
    reader_.join();
  } else {
    reader_.detach();
  }
}

bool WatchStop::Requested() const {
  return Interrupted() || *inputEnded_;
}

}  // namespace zul::cli
