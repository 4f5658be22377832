#pragma once
// SCSI generic nodes coming and going on Linux, from udev's monitor: the
// events of the scsi_generic subsystem, after udev has set the node up (its
// rules, and with them the camera's access rights, applied).

#include <optional>
#include <string>
#include <vector>

#include "cli/DeviceNotices.h"
#include "devicelink/DevicePort.h"

namespace zul::cli {

// One event as the monitor gives it.
struct UdevEvent {
  std::string action;   // "add", "remove", "change", "bind", ...
  std::string devnode;  // "/dev/sg2"; empty when the event has none
  bool onUsb = false;   // the node's device sits on a USB bus (a candidate of the port)
};

// The notice an event stands for, carrying the node as the port's candidate:
// an added node on a USB bus arrived; a removed node went, whatever it was,
// as its bus can no longer be told (the watcher passes over nodes it holds
// no camera at). Other actions, and events without a node, stand for none.
std::optional<DeviceNotice> UdevEventNotice(const UdevEvent& event);

}  // namespace zul::cli
