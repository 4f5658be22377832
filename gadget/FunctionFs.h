#pragma once
// The gadget's USB function through FunctionFS: one interface of class mass
// storage (SCSI transparent command set, Bulk-Only Transport) with a bulk-in
// and a bulk-out endpoint, served from a FunctionFS mount (usb_f_fs, set up
// through configfs). The control endpoint is read on a thread of its own:
// Get Max LUN, Bulk-Only Mass Storage Reset, and the function's bind and
// unbind, which stand for the device being plugged in and pulled out.

#include <functional>
#include <string>

#include "gadget/BulkOnly.h"

namespace zul::gadget {

struct FunctionFsHooks {
  // The device was bound to a controller again after an unbind: plugged in anew.
  std::function<void()> replugged;
  // One line about each command block, when set.
  std::function<void(const std::string&)> log;
};

// Writes the descriptors and strings to DIR/ep0, opens the endpoints and
// serves wrappers until a fault unplugs the device or an endpoint fails for
// good. Returns 0 after an unplug, otherwise 1 with the reason in error.
int ServeFunctionFs(const std::string& dir, BulkOnlyTransport& transport,
                    const FunctionFsHooks& hooks, std::string& error);

}  // namespace zul::gadget
